#include "platform/source_tree.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/walk_folder.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace rv::platform {
namespace {

// The file itself, not what a link at its name points to; read in order.
constexpr DWORD kFileFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN;
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

std::uint64_t value(const LARGE_INTEGER& number) { return static_cast<std::uint64_t>(number.QuadPart); }

// Shared with everyone, as the records system may hold its files open.
OwnedHandle openForReading(const std::wstring& path, DWORD flags)
{
    return OwnedHandle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

} // namespace

namespace {

// A file opened at its name, checked through its handle: what it is, and,
// when expected is given, that it is the file listed.
Result<OwnedHandle, FileError> accept(OwnedHandle file, const std::string& path, std::optional<FileIdentity> expected)
{
    using R = Result<OwnedHandle, FileError>;
    if (!file.valid()) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    if (auto notRegular = notRegularFileW(file.get(), path)) {
        return R::failure(*notRegular);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    if (expected && identityOf(info) != *expected) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced by another file since it was listed"});
    }
    return R::success(std::move(file));
}

// A reparse point that is no link holds the file's own data (a cloud
// placeholder, a deduplicated file), which only its filter gives.
bool holdsOwnData(HANDLE file)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace

// The file is first opened as itself: a link is named, not followed. Only a
// reparse point of the file's own data is opened again through its filter,
// and must be the same file.
Result<SourceFile, FileError> SourceFile::open(std::string_view pathView)
{
    std::string path(pathView);
    const std::wstring pathW = longPathW(path);
    OwnedHandle itself = openForReading(pathW, kFileFlags | FILE_FLAG_BACKUP_SEMANTICS);
    auto opened = [&] {
        if (!itself.valid() || notRegularFileW(itself.get(), path) || !holdsOwnData(itself.get())) {
            return accept(std::move(itself), path, std::nullopt);
        }
        BY_HANDLE_FILE_INFORMATION info{};
        GetFileInformationByHandle(itself.get(), &info);
        return accept(openForReading(pathW, FILE_FLAG_SEQUENTIAL_SCAN), path, identityOf(info));
    }();
    if (!opened.ok()) {
        return Result<SourceFile, FileError>::failure(opened.error());
    }
    return Result<SourceFile, FileError>::success(SourceFile(std::move(opened.value()), std::move(path)));
}

class WalkFolder {
public:
    WalkFolder(OwnedHandle handle, std::wstring path, DWORD volumeSerial)
        : folder(std::move(handle)), reader(folder.get()), pathW(std::move(path)), volume(volumeSerial)
    {
    }

    OwnedHandle folder;
    DirectoryReader reader;
    std::wstring pathW;
    DWORD volume;
    const FILE_ID_BOTH_DIR_INFO* entry = nullptr; // read last
    bool entryIsOwnReparse = false;               // a reparse point of its own data
};

void WalkFolderClose::operator()(WalkFolder* folder) const { delete folder; }

namespace {

FolderLook lookOf(const BY_HANDLE_FILE_INFORMATION& info) { return {info.dwFileAttributes, 0, 0}; }

OpenedFolder held(OwnedHandle folder, std::wstring pathW, const BY_HANDLE_FILE_INFORMATION& info)
{
    return {HeldFolder(new WalkFolder(std::move(folder), std::move(pathW), info.dwVolumeSerialNumber)), lookOf(info)};
}

} // namespace

Result<OpenedFolder, FileError> openWalkRoot(const std::string& folder)
{
    using R = Result<OpenedFolder, FileError>;
    std::wstring pathW = longPathW(folder);
    if (pathW.size() > 1 && pathW.back() == L'\\') {
        pathW.pop_back(); // entries are joined with a separator of their own
    }
    OwnedHandle handle(CreateFileW(pathW.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info)) {
        return R::failure(sourceErrorW(GetLastError(), folder));
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return R::failure({FileErrorKind::NotReadable, folder + ": not a folder"});
    }
    return R::success(held(std::move(handle), std::move(pathW), info));
}

ListedEntry readEntry(WalkFolder& folder, const std::string& root, const std::string& relative)
{
    using Kind = ListedEntry::Kind;
    const FILE_ID_BOTH_DIR_INFO* entry = folder.reader.next();
    if (entry == nullptr) {
        return folder.reader.error() == ERROR_SUCCESS
                   ? ListedEntry{}
                   : ListedEntry{
                         Kind::BrokenOff, {}, {}, sourceErrorW(folder.reader.error(), entryPath(root, relative))};
    }
    folder.entry = entry;
    ListedEntry listed{Kind::File,
                       joinRelative(relative, fromPath(nameOf(*entry))),
                       {folder.volume, value(entry->FileId), value(entry->EndOfFile), value(entry->LastWriteTime),
                        value(entry->ChangeTime)}};
    if (isLink(entry->FileAttributes, entry->EaSize)) { // EaSize holds a reparse point's tag
        listed.kind = Kind::NotCopied;
        listed.problem = {FileErrorKind::Link, entryPath(root, listed.relativePath) + ": a link, not followed"};
    } else if (entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        listed.kind = Kind::Folder;
    } else {
        folder.entryIsOwnReparse = (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    }
    return listed;
}

// A folder opened as itself, never through a link at its name.
Result<OpenedFolder, FileError> openListedFolder(WalkFolder& parent, const ListedEntry& entry, const std::string& path)
{
    using R = Result<OpenedFolder, FileError>;
    std::wstring pathW = parent.pathW + L"\\" + nameOf(*parent.entry);
    OwnedHandle folder(
        CreateFileW(pathW.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING, kFolderFlags, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!folder.valid() || !GetFileInformationByHandle(folder.get(), &info)) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    if (identityOf(info) != FileIdentity{entry.stamp.device, entry.stamp.index} ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced while it was listed"});
    }
    return R::success(held(std::move(folder), std::move(pathW), info));
}

Result<OwnedHandle, FileError> openListedFile(WalkFolder& folder, const WalkStep& step, const std::string& path)
{
    const std::wstring pathW = folder.pathW + L"\\" + toPath(step.name()).native();
    const DWORD flags = folder.entryIsOwnReparse ? FILE_FLAG_SEQUENTIAL_SCAN : kFileFlags;
    return accept(openForReading(pathW, flags), path, FileIdentity{step.stamp.device, step.stamp.index});
}

} // namespace rv::platform
