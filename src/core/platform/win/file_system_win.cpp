#include "platform/file_system.h"

#include "platform/paths.h"
#include "platform/win/long_path_win.h"

#include <windows.h>

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

} // namespace

Result<EntryInfo, FileError> inspect(std::string_view path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(longPathW(path).c_str(), GetFileExInfoStandard, &data)) {
        return Result<EntryInfo, FileError>::failure(sourceErrorW(GetLastError(), std::string(path)));
    }
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return Result<EntryInfo, FileError>::success({EntryKind::Folder, 0});
    }
    const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return Result<EntryInfo, FileError>::success({EntryKind::File, size});
}

bool sameEntry(std::string_view first, std::string_view second)
{
    const auto a = identityOf(longPathW(first));
    const auto b = identityOf(longPathW(second));
    return a && b && *a == *b;
}

// The destination is opened as itself: a link there is not the source.
bool isEntryOf(std::string_view destination, std::string_view source)
{
    HANDLE handle =
        CreateFileW(longPathW(destination).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    const auto target = identityOf(longPathW(source));
    return known && target && *target == Identity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
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
