#include "platform/destination_folder.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <memory>
#include <utility>

namespace rv::platform {
namespace {

// The chosen folder may be given with a separator at its end.
std::string withoutTrailingSeparator(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return std::string(path);
}

} // namespace

bool DestinationFolder::isPlainName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

namespace {

std::string linkTarget(int folder, const char* name)
{
    std::array<char, 4096> target{};
    const ssize_t length = ::readlinkat(folder, name, target.data(), target.size());
    return length < 0 ? std::string("?") : std::string(target.data(), static_cast<std::size_t>(length));
}

} // namespace

Result<DestinationFolder, FileError> DestinationFolder::openChosen(std::string_view pathView)
{
    const std::string path = withoutTrailingSeparator(pathView);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Result<DestinationFolder, FileError>::failure(destinationError(errno, path));
    }
    return Result<DestinationFolder, FileError>::success(DestinationFolder(OwnedHandle(fd), path, {}, path));
}

Result<MadeFolder, FileError> DestinationFolder::makePlainFolder(const std::string& name, const std::string& path) const
{
    using R = Result<MadeFolder, FileError>;
    const int parent = handle_.get();
    bool created = ::mkdirat(parent, name.c_str(), 0700) == 0;
    std::optional<std::string> replacedLink;
    if (!created && errno != EEXIST) {
        // In a folder still there (linked), the name is what the file system refused.
        const int error = errno;
        struct stat folder {};
        const bool parentThere = ::fstat(parent, &folder) == 0 && folder.st_nlink > 0;
        return R::failure(parentThere ? destinationNameError(error, path) : destinationError(error, path));
    }
    struct stat there {};
    if (!created && ::fstatat(parent, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(there.st_mode)) {
        // Written through, the link would take the backup wherever it points.
        replacedLink = linkTarget(parent, name.c_str());
        if (::unlinkat(parent, name.c_str(), 0) != 0 || ::mkdirat(parent, name.c_str(), 0700) != 0) {
            return R::failure(destinationError(errno, path));
        }
        created = true;
    }
    OwnedHandle folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!folder.valid()) {
        // A file, or something put there since: never written through.
        return R::failure(destinationError(errno == ELOOP ? ENOTDIR : errno, path));
    }
    struct stat info {};
    if (::fstat(folder.get(), &info) != 0) {
        return R::failure(destinationError(errno, path));
    }
    // Private while it is filled (the umask may have taken more, or less);
    // an earlier backup's folder is only made writable for the run's user if
    // it is not. Its source's look comes once it is filled. A file system
    // without permissions (FAT) refuses, and the folder is used as it is.
    const mode_t filling = created ? 0700 : (info.st_mode & 07777) | 0700;
    std::optional<FileError> notPrivate;
    if ((info.st_mode & 07777) != filling && ::fchmod(folder.get(), filling) != 0) {
        notPrivate = destinationError(errno, path + ": permissions");
    }
    return R::success({DestinationFolder(std::move(folder), path, joinRelative(relative_, name), root_), created,
                       replacedLink, notPrivate});
}

Result<DestinationFolder, FileError> DestinationFolder::openPlainFolder(const std::string& name,
                                                                        const std::string& path) const
{
    OwnedHandle folder(
        ::openat(handle_.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!folder.valid()) {
        // A link there is not the folder, and is never followed; with
        // O_DIRECTORY, Linux may say so as ENOTDIR, as for a file.
        const int error = errno;
        struct stat there {};
        const bool link = error == ELOOP || (error == ENOTDIR &&
                                             ::fstatat(handle_.get(), name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
                                             S_ISLNK(there.st_mode));
        return Result<DestinationFolder, FileError>::failure(
            link ? FileError{FileErrorKind::Link, path + ": a link", error} : sourceError(error, path));
    }
    return Result<DestinationFolder, FileError>::success(
        DestinationFolder(std::move(folder), path, joinRelative(relative_, name), root_));
}

Result<Done, FileError> DestinationFolder::removeEmptyFolder(std::string_view name) const
{
    if (::unlinkat(handle_.get(), std::string(name).c_str(), AT_REMOVEDIR) != 0) {
        return Result<Done, FileError>::failure(destinationError(errno, entryPath(path_, name)));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> DestinationFolder::removeFile(std::string_view name) const
{
    if (::unlinkat(handle_.get(), std::string(name).c_str(), 0) != 0 && errno != ENOENT) {
        return Result<Done, FileError>::failure(destinationError(errno, entryPath(path_, name)));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> DestinationFolder::movePlainEntry(const std::string& name, const DestinationFolder& into,
                                                          const std::string& newName) const
{
    using R = Result<Done, FileError>;
    const std::string what = entryPath(path_, name) + " -> " + entryPath(into.path_, newName);
    if (::renameat2(handle_.get(), name.c_str(), into.handle_.get(), newName.c_str(), RENAME_NOREPLACE) == 0) {
        return R::success({});
    }
    int error = errno;
    if (error == EINVAL || error == ENOSYS || error == EOPNOTSUPP) {
        // A file system that cannot refuse to replace (FUSE, some network
        // ones): the new name is looked at first. Only this run writes there.
        struct stat there {};
        if (::fstatat(into.handle_.get(), newName.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0) {
            error = EEXIST;
        } else if (::renameat(handle_.get(), name.c_str(), into.handle_.get(), newName.c_str()) == 0) {
            return R::success({});
        } else {
            error = errno;
        }
    }
    return R::failure(error == ENOENT ? FileError{FileErrorKind::NotFound, what, error}
                                      : destinationError(error, what));
}

Result<std::uint64_t, FileError> freeSpace(const DestinationFolder& folder)
{
    struct statvfs info {};
    if (::fstatvfs(folder.handle(), &info) != 0) {
        return Result<std::uint64_t, FileError>::failure(destinationError(errno, folder.path()));
    }
    return Result<std::uint64_t, FileError>::success(static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize);
}

Result<Done, FileError> DestinationFolder::stillChosen() const
{
    struct stat held {};
    struct stat named {};
    if (::fstat(handle_.get(), &held) != 0 || ::stat(root_.c_str(), &named) != 0 || !sameFile(held, named)) {
        return Result<Done, FileError>::failure(
            {FileErrorKind::NotWritable, root_ + ": no longer there (removed, or its disk taken away)"});
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> DestinationFolder::forEachName(const std::function<void(std::string_view name)>& onName) const
{
    using R = Result<Done, FileError>;
    // A reading of its own: the folder's handle keeps no place in the listing.
    std::unique_ptr<DIR, int (*)(DIR*)> reader(nullptr, ::closedir);
    OwnedHandle listing(::openat(handle_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing.valid()) {
        reader.reset(::fdopendir(listing.get()));
    }
    if (!reader) {
        return R::failure(sourceError(errno, path_));
    }
    listing.release();
    errno = 0;
    while (const dirent* entry = ::readdir(reader.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            onName(name);
        }
        errno = 0;
    }
    if (errno != 0) {
        return R::failure(sourceError(errno, path_));
    }
    return R::success({});
}

Result<Done, FileError> applyFolderLook(const DestinationFolder& root, std::string_view relative,
                                        const FolderLook& look)
{
    using R = Result<Done, FileError>;
    const std::string path = root.pathOf(relative);
    const OwnedHandle folder = openBeneath(root.handle(), relative, O_RDONLY);
    struct stat now {};
    if (!folder.valid() || ::fstat(folder.get(), &now) != 0) {
        return R::failure(destinationError(errno, path));
    }
    // The owner first: changing it may clear the set-group bit.
    const bool ownerDiffers = now.st_uid != look.owner || now.st_gid != look.group;
    if (::geteuid() == 0 && ownerDiffers && ::fchown(folder.get(), look.owner, look.group) != 0) {
        return R::failure(destinationError(errno, path + ": owner"));
    }
    if ((now.st_mode & 07777) != look.permissions && ::fchmod(folder.get(), look.permissions) != 0) {
        return R::failure(destinationError(errno, path + ": permissions"));
    }
    return R::success({});
}

} // namespace rv::platform
