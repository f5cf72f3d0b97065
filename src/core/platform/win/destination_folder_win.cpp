#include "platform/destination_folder.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

#include <utility>

namespace rv::platform {
namespace {

constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

// The chosen folder may be given with a separator at its end.
std::string withoutTrailingSeparator(std::string_view path)
{
    while (path.size() > 1 && isSystemSeparator(path.back()) && path[path.size() - 2] != ':') {
        path.remove_suffix(1);
    }
    return std::string(path);
}

} // namespace

bool DestinationFolder::isPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

namespace {

OwnedHandle openFolderItself(const std::wstring& path)
{
    return OwnedHandle(CreateFileW(path.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Windows cannot open a name relative to a handle: a folder opened at its
// path is accepted only where the system says it is, next to its parent,
// so that a link on the way is never taken.
bool isWhereExpected(HANDLE folder, HANDLE parent, const std::wstring& name)
{
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(folder, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           isPlaceOf(finalPathOf(folder), finalPathOf(parent), name);
}

void clearReadOnly(const std::wstring& path, DWORD attributes)
{
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

} // namespace

Result<DestinationFolder, FileError> DestinationFolder::openChosen(std::string_view pathView)
{
    const std::string path = withoutTrailingSeparator(pathView);
    // A link naming the chosen folder is followed: that is the folder chosen.
    HANDLE folder = CreateFileW(longPathW(path).c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
        // A write-protected disk, or a folder this user may only read, can
        // still be checked; a write into it fails on its own and says so.
        folder = CreateFileW(longPathW(path).c_str(), kFolderAccess & ~FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    }
    if (folder == INVALID_HANDLE_VALUE) {
        return Result<DestinationFolder, FileError>::failure(destinationErrorW(GetLastError(), path));
    }
    return Result<DestinationFolder, FileError>::success(DestinationFolder(OwnedHandle(folder), path, {}, path));
}

Result<MadeFolder, FileError> DestinationFolder::makePlainFolder(const std::string& name, const std::string& path) const
{
    using R = Result<MadeFolder, FileError>;
    const std::wstring pathW = longPathW(path);
    bool created = CreateDirectoryW(pathW.c_str(), nullptr) != FALSE;
    if (!created && GetLastError() != ERROR_ALREADY_EXISTS) {
        return R::failure(destinationErrorW(GetLastError(), path));
    }
    std::optional<std::string> replacedLink;
    const DWORD there = created ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(pathW.c_str());
    if (there != INVALID_FILE_ATTRIBUTES && (there & FILE_ATTRIBUTE_REPARSE_POINT)) {
        // Written through, the link would take the backup wherever it points;
        // removing it removes the link alone.
        replacedLink = "a link or junction";
        const BOOL removed =
            (there & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(pathW.c_str()) : DeleteFileW(pathW.c_str());
        if (!removed || !CreateDirectoryW(pathW.c_str(), nullptr)) {
            return R::failure(destinationErrorW(GetLastError(), path));
        }
        created = true;
    }
    OwnedHandle folder = openFolderItself(pathW);
    if (!folder.valid()) {
        return R::failure(destinationErrorW(GetLastError(), path));
    }
    if (!isWhereExpected(folder.get(), handle_.get(), toPath(name).native())) {
        return R::failure({FileErrorKind::NotWritable, path + ": not a folder, or reached through a link"});
    }
    return R::success({DestinationFolder(std::move(folder), path, joinRelative(relative_, name), root_), created,
                       replacedLink, std::nullopt});
}

Result<DestinationFolder, FileError> DestinationFolder::openPlainFolder(const std::string& name,
                                                                        const std::string& path) const
{
    using R = Result<DestinationFolder, FileError>;
    OwnedHandle folder = openFolderItself(longPathW(path));
    if (!folder.valid()) {
        const DWORD error = GetLastError();
        return R::failure(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                              ? FileError{FileErrorKind::NotFound, path, static_cast<int>(error)}
                              : destinationErrorW(error, path));
    }
    if (!isWhereExpected(folder.get(), handle_.get(), toPath(name).native())) {
        return R::failure({FileErrorKind::NotReadable, path + ": not a folder, or reached through a link"});
    }
    return R::success(DestinationFolder(std::move(folder), path, joinRelative(relative_, name), root_));
}

Result<Done, FileError> DestinationFolder::removeEmptyFolder(std::string_view name) const
{
    const std::string path = entryPath(path_, name);
    if (!RemoveDirectoryW(longPathW(path).c_str())) {
        return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), path));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> DestinationFolder::removeFile(std::string_view name) const
{
    const std::string path = entryPath(path_, name);
    const std::wstring pathW = longPathW(path);
    clearReadOnly(pathW, GetFileAttributesW(pathW.c_str()));
    if (!DeleteFileW(pathW.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), path));
    }
    return Result<Done, FileError>::success({});
}

// Both names are formed from where the system says the held folders are, so
// that no link on the way to either is taken.
Result<Done, FileError> DestinationFolder::movePlainEntry(const std::string& name, const DestinationFolder& into,
                                                          const std::string& newName) const
{
    using R = Result<Done, FileError>;
    const std::string what = entryPath(path_, name) + " -> " + entryPath(into.path_, newName);
    const std::wstring from = finalPathOf(handle_.get());
    const std::wstring to = finalPathOf(into.handle_.get());
    if (from.empty() || to.empty()) {
        return R::failure(destinationErrorW(GetLastError(), what));
    }
    if (!MoveFileExW((from + L"\\" + toPath(name).native()).c_str(), (to + L"\\" + toPath(newName).native()).c_str(),
                     0)) {
        const DWORD error = GetLastError();
        return R::failure(error == ERROR_FILE_NOT_FOUND
                              ? FileError{FileErrorKind::NotFound, what, static_cast<int>(error)}
                              : destinationErrorW(error, what));
    }
    return R::success({});
}

Result<std::uint64_t, FileError> freeSpace(const DestinationFolder& folder)
{
    ULARGE_INTEGER available{};
    const std::wstring path = finalPathOf(folder.handle());
    if (path.empty() || !GetDiskFreeSpaceExW((path + L"\\").c_str(), &available, nullptr, nullptr)) {
        return Result<std::uint64_t, FileError>::failure(destinationErrorW(GetLastError(), folder.path()));
    }
    return Result<std::uint64_t, FileError>::success(available.QuadPart);
}

Result<Done, FileError> DestinationFolder::forEachName(const std::function<void(std::string_view name)>& onName) const
{
    DirectoryReader reader(handle_.get());
    while (const FILE_ID_BOTH_DIR_INFO* entry = reader.next()) {
        onName(fromPath(nameOf(*entry)));
    }
    if (reader.error() != ERROR_SUCCESS) {
        return Result<Done, FileError>::failure(sourceErrorW(reader.error(), path_));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> DestinationFolder::stillChosen() const
{
    const OwnedHandle named(CreateFileW(longPathW(root_).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION held{};
    BY_HANDLE_FILE_INFORMATION now{};
    if (!named.valid() || !GetFileInformationByHandle(handle_.get(), &held) ||
        !GetFileInformationByHandle(named.get(), &now) || identityOf(held) != identityOf(now)) {
        return Result<Done, FileError>::failure(
            {FileErrorKind::NotWritable, root_ + ": no longer there (removed, or its disk taken away)"});
    }
    return Result<Done, FileError>::success({});
}

// Windows keeps a folder's access in its ACL, which the copy inherits from
// the destination, as copies made by the system's own copy always did; of the
// source's look only its attributes (read-only, hidden, system) are taken.
Result<Done, FileError> applyFolderLook(const DestinationFolder& root, std::string_view relative,
                                        const FolderLook& look)
{
    using R = Result<Done, FileError>;
    const std::string path = root.pathOf(relative);
    const OwnedHandle folder = openFolderItself(longPathW(path));
    if (!folder.valid()) {
        return R::failure(destinationErrorW(GetLastError(), path));
    }
    if (!isPlaceOf(finalPathOf(folder.get()), finalPathOf(root.handle()), toPath(relative).native())) {
        return R::failure({FileErrorKind::NotWritable, path + ": reached through a link"});
    }
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};
    if (!GetFileInformationByHandleEx(folder.get(), FileBasicInfo, &basic, sizeof basic)) {
        return R::failure(destinationErrorW(GetLastError(), path));
    }
    const DWORD wanted = (basic.FileAttributes & ~kKept) | (look.permissions & kKept);
    if (wanted != basic.FileAttributes) {
        basic = {};
        basic.FileAttributes = wanted;
        if (!SetFileInformationByHandle(folder.get(), FileBasicInfo, &basic, sizeof basic)) {
            return R::failure(destinationErrorW(GetLastError(), path + ": attributes"));
        }
    }
    return R::success({});
}

} // namespace rv::platform
