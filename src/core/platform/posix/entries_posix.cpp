#include "platform/posix/entries_posix.h"

#include "platform/paths.h"
#include "platform/posix/file_errors_posix.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/vfs.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace rv::platform {

FileError notRegularFile(const struct stat& info, const std::string& what)
{
    if (S_ISLNK(info.st_mode)) {
        return {FileErrorKind::Link, what + ": a link, not followed"};
    }
    if (S_ISFIFO(info.st_mode)) {
        return {FileErrorKind::Pipe, what + ": a named pipe"};
    }
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return {FileErrorKind::Device, what + ": a device"};
    }
    if (S_ISSOCK(info.st_mode)) {
        return {FileErrorKind::Socket, what + ": a socket"};
    }
    return {FileErrorKind::NotReadable, what + (S_ISDIR(info.st_mode) ? ": a folder, not a file" : ": not a file")};
}

FileError openFailure(int folder, const char* name, int error, const std::string& what)
{
    struct stat info {};
    if (::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(info.st_mode)) {
        return notRegularFile(info, what);
    }
    return sourceError(error, what);
}

bool isMadeUpFileSystem(int fd)
{
    // Taken from linux/magic.h; cgroup2 and others are folders of the same kind.
    static constexpr std::array<long, 14> kMadeUp = {
        PROC_SUPER_MAGIC,   SYSFS_MAGIC,         DEBUGFS_MAGIC,      TRACEFS_MAGIC, SECURITYFS_MAGIC,
        CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC, DEVPTS_SUPER_MAGIC, BPF_FS_MAGIC,  PSTOREFS_MAGIC,
        EFIVARFS_MAGIC,     SELINUX_MAGIC,       SMACK_MAGIC,        NSFS_MAGIC};
    struct statfs info {};
    return ::fstatfs(fd, &info) == 0 &&
           std::find(kMadeUp.begin(), kMadeUp.end(), static_cast<long>(info.f_type)) != kMadeUp.end();
}

OwnedHandle openBeneath(int root, std::string_view relative, int flags)
{
    if (relative.empty()) {
        return OwnedHandle(::openat(root, ".", O_DIRECTORY | O_CLOEXEC | flags));
    }
    // The first name is opened from root itself: a walk is made for every
    // file of a backup, and reopening root first would double its opens.
    OwnedHandle folder;
    int at = root;
    int error = 0;
    while (!relative.empty()) {
        const std::size_t end = std::min(relative.find('/'), relative.size());
        const std::string part(relative.substr(0, end));
        relative.remove_prefix(std::min(end + 1, relative.size()));
        if (part.empty() || part == "." || part == "..") {
            // The backup's own paths never hold these; one that does would climb out.
            errno = EINVAL;
            return OwnedHandle();
        }
        const int last = relative.empty() ? flags : O_PATH;
        folder = OwnedHandle(::openat(at, part.c_str(), O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | last));
        error = errno;
        if (!folder.valid()) {
            errno = error; // for the caller, past the closing of the folders on the way
            return folder;
        }
        at = folder.get();
    }
    return folder;
}

} // namespace rv::platform
