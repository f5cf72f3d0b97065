#include "platform/file_copy.h"

#include "platform/paths.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>

// A finished copy's last steps: put in its target's place or thrown away,
// and the destination's writes made durable.
namespace rv::platform {
namespace {

// A path relative to the chosen folder: its folder part and its name.
std::pair<std::string_view, std::string_view> split(std::string_view relative)
{
    const std::size_t separator = relative.rfind('/');
    if (separator == std::string_view::npos) {
        return {{}, relative};
    }
    return {relative.substr(0, separator), relative.substr(separator + 1)};
}

// The folder of a path relative to the chosen folder, reached from the
// chosen folder without passing a link.
OwnedHandle folderOf(const DestinationFolder& root, std::string_view relative)
{
    return openBeneath(root.handle(), split(relative).first, O_PATH);
}

} // namespace

namespace {

// Renames fromName in the folder from over toName in the folder to; what
// names the target in a failure.
Result<Done, FileError> renameOver(int from, const std::string& fromName, int to, const std::string& toName,
                                   const std::string& what)
{
    using R = Result<Done, FileError>;
    if (::renameat(from, fromName.c_str(), to, toName.c_str()) != 0) {
        const int error = errno;
        // With the copy and the target's folder still there, the name is
        // what the file system refused.
        struct stat copy {};
        struct stat folder {};
        const bool copyThere = ::fstatat(from, fromName.c_str(), &copy, AT_SYMLINK_NOFOLLOW) == 0 &&
                               ::fstat(to, &folder) == 0 && folder.st_nlink > 0;
        return R::failure(copyThere ? destinationNameError(error, what) : destinationError(error, what));
    }
    return R::success({});
}

} // namespace

Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending)
{
    using R = Result<Done, FileError>;
    const OwnedHandle from = folderOf(root, pending.temporaryPath);
    if (!from.valid()) {
        return R::failure(destinationError(errno, root.pathOf(pending.temporaryPath)));
    }
    // Most copies are made in their target's folder; one made ahead waits in another.
    const bool sameFolder = split(pending.temporaryPath).first == split(pending.targetPath).first;
    const OwnedHandle to = sameFolder ? OwnedHandle() : folderOf(root, pending.targetPath);
    if (!sameFolder && !to.valid()) {
        return R::failure(destinationError(errno, root.pathOf(pending.targetPath)));
    }
    return renameOver(from.get(), std::string(split(pending.temporaryPath).second), sameFolder ? from.get() : to.get(),
                      std::string(split(pending.targetPath).second), root.pathOf(pending.targetPath));
}

Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending, const HeldEntry& copy,
                               const HeldEntry& target)
{
    // An entry whose folder could not be held is reached from the chosen folder.
    if (copy.inFolder.find('/') != std::string_view::npos || target.inFolder.find('/') != std::string_view::npos) {
        return commit(root, pending);
    }
    return renameOver(copy.folder.handle(), std::string(copy.inFolder), target.folder.handle(),
                      std::string(target.inFolder), root.pathOf(pending.targetPath));
}

// A copy whose folder is gone (the destination removed) is gone with it.
Result<Done, FileError> discard(const DestinationFolder& root, const PendingFile& pending)
{
    const std::string name(split(pending.temporaryPath).second);
    const OwnedHandle folder = folderOf(root, pending.temporaryPath);
    const bool removed = folder.valid() && ::unlinkat(folder.get(), name.c_str(), 0) == 0;
    if (!removed && errno != ENOENT) {
        return Result<Done, FileError>::failure(destinationError(errno, root.pathOf(pending.temporaryPath)));
    }
    return Result<Done, FileError>::success({});
}

Result<WriteFlusher, FileError> WriteFlusher::open(std::string_view destinationFolder)
{
    const std::string folder(destinationFolder);
    // Opened before anything is written: syncfs reports the write-back errors
    // that happened since this descriptor was opened.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Result<WriteFlusher, FileError>::failure(destinationError(errno, folder));
    }
    return Result<WriteFlusher, FileError>::success(WriteFlusher(OwnedHandle(fd)));
}

// One syncfs writes back the whole destination file system: the pending data,
// the renames and new folders alike, at the cost of one flush instead of one
// per file.
Result<Done, FileError> WriteFlusher::flush(const DestinationFolder& /*root*/,
                                            std::span<const PendingFile* const> /*pending*/)
{
    if (::syncfs(handle_.get()) != 0) {
        return Result<Done, FileError>::failure(destinationError(errno, "syncfs"));
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
