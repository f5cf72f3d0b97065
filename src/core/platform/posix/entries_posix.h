#pragma once

#include "platform/file_system.h"
#include "platform/owned_handle.h"
#include "platform/source_tree.h"

#include <sys/stat.h>

#include <string>
#include <string_view>

namespace rv::platform {

// How an entry that is not a regular file is named: a link, a pipe, a device
// or a socket (a folder is not readable as a file).
FileError notRegularFile(const struct stat& info, const std::string& what);

// Why the name in folder could not be opened as a regular file: what it is,
// if it is not one, or else the system's error.
FileError openFailure(int folder, const char* name, int error, const std::string& what);

// True when both describe the same file.
inline bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A source file's size, times and identity as its status gives them.
inline SourceStamp stampOf(const struct stat& info)
{
    const auto nanoseconds = [](const struct timespec& time) {
        return static_cast<std::uint64_t>(time.tv_sec) * 1000000000U + static_cast<std::uint64_t>(time.tv_nsec);
    };
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

// True for a file system the kernel makes up as it is read (/proc, /sys and
// their kind): its files report sizes they do not have, some never end, and
// one is the machine's memory. No clinic keeps data there.
bool isMadeUpFileSystem(int fd);

// The folder at relative (parts joined with "/") below the folder
// root, opened one part at a time without following a link; "" is root
// itself. flags are added to O_DIRECTORY | O_NOFOLLOW for the last part.
OwnedHandle openBeneath(int root, std::string_view relative, int flags);

} // namespace rv::platform
