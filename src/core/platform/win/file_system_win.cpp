#include "platform/file_system.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/win/long_path_win.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string_view>

namespace rv::platform {
namespace {

struct Identity {
    DWORD volume;
    DWORD high;
    DWORD low;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> identityOf(const std::wstring& path)
{
    HANDLE handle = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL ok = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!ok) {
        return std::nullopt;
    }
    return Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Calls onEntry for each entry of a folder but "." and ".."; gives the error
// that ended the search early, or ERROR_NO_MORE_FILES when it ran to the end.
DWORD findEntries(const std::wstring& pattern, const std::function<void(const WIN32_FIND_DATAW&)>& onEntry)
{
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L"..") {
            onEntry(found);
        }
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    return error;
}

} // namespace

Result<EntryInfo, FileError> inspect(std::string_view path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(longPathW(path).c_str(), GetFileExInfoStandard, &data)) {
        return Result<EntryInfo, FileError>::failure(sourceErrorW(GetLastError(), std::string(path)));
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return Result<EntryInfo, FileError>::success({EntryKind::Folder, 0, 0});
    }
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const std::uint64_t modified =
        (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return Result<EntryInfo, FileError>::success({EntryKind::File, size, modified});
}

TreeListing detail::walkTree(std::string_view folder)
{
    std::wstring rootW = longPathW(folder);
    if (rootW.size() > 1 && rootW.back() == L'\\') {
        rootW.pop_back(); // the pattern below adds its own separator
    }
    TreeListing listing;
    std::vector<std::string> pending{""};
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const std::wstring pattern = rootW + (relative.empty() ? L"" : L"\\" + toPath(relative).native()) + L"\\*";
        const DWORD error = findEntries(pattern, [&](const WIN32_FIND_DATAW& found) {
            const std::string child = joinRelative(relative, fromPath(found.cFileName));
            const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (isFolder && isLink) {
                listing.problems.push_back(
                    {child, {FileErrorKind::NotReadable, child + ": link to a folder, not followed"}});
            } else if (isFolder) {
                listing.entries.push_back({child, true, 0});
                pending.push_back(child);
            } else {
                const std::uint64_t size = (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
                listing.entries.push_back({child, false, size});
            }
        });
        if (error != ERROR_NO_MORE_FILES) {
            listing.problems.push_back(
                {relative, sourceErrorW(error, relative.empty() ? std::string(folder) : relative)});
        }
    }
    return listing;
}

Result<std::vector<std::string>, FileError> namesInFolder(std::string_view folder)
{
    std::wstring pattern = longPathW(folder);
    if (pattern.empty() || pattern.back() != L'\\') {
        pattern += L'\\';
    }
    std::vector<std::string> names;
    const DWORD error =
        findEntries(pattern + L'*', [&](const WIN32_FIND_DATAW& found) { names.push_back(fromPath(found.cFileName)); });
    if (error != ERROR_NO_MORE_FILES) {
        return Result<std::vector<std::string>, FileError>::failure(sourceErrorW(error, std::string(folder)));
    }
    return Result<std::vector<std::string>, FileError>::success(std::move(names));
}

Result<Done, FileError> ensureFolder(std::string_view folder)
{
    const std::wstring path = longPathW(folder);
    if (CreateDirectoryW(path.c_str(), nullptr)) {
        return Result<Done, FileError>::success({});
    }
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (error == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return Result<Done, FileError>::success({});
    }
    return Result<Done, FileError>::failure(destinationErrorW(error, std::string(folder)));
}

Result<Done, FileError> removeEmptyFolder(std::string_view folder)
{
    if (!RemoveDirectoryW(longPathW(folder).c_str())) {
        return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), std::string(folder)));
    }
    return Result<Done, FileError>::success({});
}

bool sameEntry(std::string_view first, std::string_view second)
{
    const auto a = identityOf(longPathW(first));
    const auto b = identityOf(longPathW(second));
    return a && b && *a == *b;
}

bool sameName(std::string_view first, std::string_view second)
{
    const std::wstring a = toPath(first).native();
    const std::wstring b = toPath(second).native();
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

bool isSameOrInside(std::string_view path, std::string_view folder)
{
    const auto target = identityOf(longPathW(folder));
    if (!target) {
        return false;
    }
    std::filesystem::path current(longPathW(path));
    for (;;) {
        if (identityOf(current.native()) == target) {
            return true;
        }
        const auto parent = current.parent_path();
        if (parent == current || !current.has_relative_path()) {
            return false;
        }
        current = parent;
    }
}

} // namespace rv::platform
