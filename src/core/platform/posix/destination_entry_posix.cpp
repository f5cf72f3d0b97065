#include "platform/destination_entry.h"

#include "common/path_text.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <string>

namespace rv::platform {

// One fstatat from the held folder, as the copies' folders are many
// lookups apart and this is asked twice for every file: nothing is opened or
// written, so a link swapped in on the way could only show another entry's
// numbers, never lead a write or a wait outside the backup.
Result<std::optional<EntryStamp>, FileError> stampAt(const DestinationFolder& held, std::string_view relative)
{
    using R = Result<std::optional<EntryStamp>, FileError>;
    struct stat info {};
    int found = ::fstatat(held.handle(), std::string(relative).c_str(), &info, AT_SYMLINK_NOFOLLOW);
    if (found != 0 && errno == ENAMETOOLONG) {
        // Deeper than one path may reach: from its folder, reached a name at a time.
        const OwnedHandle folder = openBeneath(held.handle(), folderPartOf(relative), O_PATH);
        found = folder.valid() ? ::fstatat(folder.get(), fileNameOf(relative).c_str(), &info, AT_SYMLINK_NOFOLLOW) : -1;
    }
    if (found != 0) {
        return errno == ENOENT ? R::success(std::nullopt)
                               : R::failure(destinationError(errno, held.pathBelow(relative)));
    }
    const auto modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000U +
                          static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
    return R::success(EntryStamp{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
                                 static_cast<std::uint64_t>(info.st_size), modified});
}

Result<bool, FileError> listedAsSpelled(const DestinationFolder& held, std::string_view relative)
{
    using R = Result<bool, FileError>;
    const std::string_view folderPart = folderPartOf(relative);
    OwnedHandle folder = openBeneath(held.handle(), folderPart, O_RDONLY);
    std::unique_ptr<DIR, int (*)(DIR*)> reader(folder.valid() ? ::fdopendir(folder.get()) : nullptr, ::closedir);
    if (!reader) {
        return R::failure(destinationError(errno, held.pathBelow(folderPart)));
    }
    folder.release();
    const std::string name = fileNameOf(relative);
    errno = 0;
    while (const dirent* entry = ::readdir(reader.get())) {
        if (name == entry->d_name) {
            return R::success(true);
        }
    }
    if (errno != 0) {
        return R::failure(destinationError(errno, held.pathBelow(folderPart)));
    }
    return R::success(false);
}

} // namespace rv::platform
