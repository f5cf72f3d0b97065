#include "platform/source_tree.h"

#include "common/path_text.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/walk_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <utility>
#include <vector>

namespace rv::platform {
namespace {

// Not following a link, not waiting: O_NONBLOCK makes the open of a pipe
// return at once (it would wait for a writer), and stays on for the reads, so
// that a file that waits for data (/proc/kmsg) answers at once too.
constexpr int kFileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

FolderLook lookOf(const struct stat& info)
{
    return {static_cast<std::uint32_t>(info.st_mode & 07777), info.st_uid, info.st_gid};
}

using Folder = std::unique_ptr<DIR, int (*)(DIR*)>;

} // namespace

// Checked before the open as well as after it: a device is not even opened
// (opening one can be an act of its own: a tape rewinds, a watchdog starts).
Result<SourceFile, FileError> SourceFile::open(std::string_view pathView)
{
    using R = Result<SourceFile, FileError>;
    std::string path(pathView);
    struct stat listed {};
    if (::lstat(path.c_str(), &listed) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (!S_ISREG(listed.st_mode)) {
        return R::failure(notRegularFile(listed, path));
    }
    OwnedHandle file(::open(path.c_str(), kFileFlags));
    if (!file.valid()) {
        return R::failure(openFailure(AT_FDCWD, path.c_str(), errno, path));
    }
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (!S_ISREG(opened.st_mode)) {
        return R::failure(notRegularFile(opened, path));
    }
    if (!sameFile(opened, listed)) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced while it was opened"});
    }
    if (isMadeUpFileSystem(file.get())) {
        return R::failure({FileErrorKind::Virtual, path + ": made up by the system, not a file on a disk"});
    }
    return R::success(SourceFile(std::move(file), std::move(path)));
}

class WalkFolder {
public:
    Folder reader;
    dev_t device;
    std::string name; // of the entry read last
};

void WalkFolderClose::operator()(WalkFolder* folder) const { delete folder; }

namespace {

// An open folder, taken over by a reader.
Result<OpenedFolder, FileError> holdFolder(OwnedHandle folder, const struct stat& info, const std::string& path)
{
    Folder reader(::fdopendir(folder.get()), ::closedir);
    if (!reader) {
        return Result<OpenedFolder, FileError>::failure(sourceError(errno, path));
    }
    folder.release();
    return Result<OpenedFolder, FileError>::success(
        {HeldFolder(new WalkFolder{std::move(reader), info.st_dev, {}}), lookOf(info)});
}

} // namespace

Result<OpenedFolder, FileError> openWalkRoot(const std::string& folder)
{
    using R = Result<OpenedFolder, FileError>;
    OwnedHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
    if (!handle.valid()) {
        if (errno == ENOTDIR) {
            return R::failure({FileErrorKind::NotReadable, folder + ": not a folder"});
        }
        return R::failure(sourceError(errno, folder));
    }
    struct stat info {};
    if (::fstat(handle.get(), &info) != 0) {
        return R::failure(sourceError(errno, folder));
    }
    if (isMadeUpFileSystem(handle.get())) {
        return R::failure({FileErrorKind::Virtual, folder + ": made up by the system, not a folder on a disk"});
    }
    return holdFolder(std::move(handle), info, folder);
}

ListedEntry readEntry(WalkFolder& folder, const std::string& root, const std::string& relative)
{
    using Kind = ListedEntry::Kind;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.reader.get());
        if (entry == nullptr) {
            return errno == 0 ? ListedEntry{}
                              : ListedEntry{Kind::BrokenOff, {}, {}, sourceError(errno, entryPath(root, relative))};
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        struct stat listed {};
        if (::fstatat(::dirfd(folder.reader.get()), entry->d_name, &listed, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            if (error == ENOENT) {
                continue; // gone since the folder was read: there is nothing to copy
            }
            std::string relativePath = joinRelative(relative, name);
            FileError problem = sourceError(error, entryPath(root, relativePath));
            return {Kind::NotCopied, std::move(relativePath), {}, std::move(problem)};
        }
        folder.name = name;
        ListedEntry listedEntry{Kind::File, joinRelative(relative, name), stampOf(listed)};
        if (S_ISDIR(listed.st_mode)) {
            listedEntry.kind = Kind::Folder;
        } else if (!S_ISREG(listed.st_mode)) {
            listedEntry.kind = Kind::NotCopied;
            listedEntry.problem = notRegularFile(listed, entryPath(root, listedEntry.relativePath));
        }
        return listedEntry;
    }
}

Result<OpenedFolder, FileError> openListedFolder(WalkFolder& parent, const ListedEntry& entry, const std::string& path)
{
    using R = Result<OpenedFolder, FileError>;
    const int parentFd = ::dirfd(parent.reader.get());
    OwnedHandle folder(::openat(parentFd, parent.name.c_str(), kFolderFlags));
    if (!folder.valid()) {
        return R::failure(openFailure(parentFd, parent.name.c_str(), errno, path));
    }
    struct stat opened {};
    if (::fstat(folder.get(), &opened) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (stampOf(opened).device != entry.stamp.device || stampOf(opened).index != entry.stamp.index) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced while it was listed"});
    }
    // Only a folder on another file system can be a made-up one.
    if (opened.st_dev != parent.device && isMadeUpFileSystem(folder.get())) {
        return R::failure({FileErrorKind::Virtual, path + ": made up by the system, not a folder on a disk"});
    }
    return holdFolder(std::move(folder), opened, path);
}

Result<OwnedHandle, FileError> openListedFile(WalkFolder& folder, const WalkStep& step, const std::string& path)
{
    using R = Result<OwnedHandle, FileError>;
    const std::string name(step.name());
    const int folderFd = ::dirfd(folder.reader.get());
    OwnedHandle file(::openat(folderFd, name.c_str(), kFileFlags));
    if (!file.valid()) {
        return R::failure(openFailure(folderFd, name.c_str(), errno, path));
    }
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (!S_ISREG(opened.st_mode)) {
        return R::failure(notRegularFile(opened, path));
    }
    if (stampOf(opened).device != step.stamp.device || stampOf(opened).index != step.stamp.index) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced by another file since it was listed"});
    }
    // A file of another file system than its folder's is one mounted there alone.
    if (opened.st_dev != folder.device && isMadeUpFileSystem(file.get())) {
        return R::failure({FileErrorKind::Virtual, path + ": made up by the system, not a file on a disk"});
    }
    return R::success(std::move(file));
}

} // namespace rv::platform
