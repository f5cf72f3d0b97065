#pragma once

#include "platform/file_system.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace rv::platform {

// errno of a failure on the side that is read.
inline FileError sourceError(int error, const std::string& what)
{
    const FileErrorKind kind =
        (error == ENOENT || error == ENOTDIR) ? FileErrorKind::NotFound : FileErrorKind::NotReadable;
    return {kind, what + ": " + std::strerror(error), error};
}

// errno of a failure on the side that is written.
inline FileError destinationError(int error, const std::string& what)
{
    const FileErrorKind kind = (error == ENOSPC || error == EDQUOT) ? FileErrorKind::NoSpace
                               : error == EFBIG                     ? FileErrorKind::TooLarge
                               : error == ENAMETOOLONG              ? FileErrorKind::InvalidName
                                                                    : FileErrorKind::NotWritable;
    return {kind, what + ": " + std::strerror(error), error};
}

// errno of a call that gives an entry of the destination its name (a rename,
// a new folder) in a folder that is known to be there. A file system that
// cannot hold a character of the name (exFAT, FAT: ": ? * \" < > |") says
// EINVAL, or ENOENT through exfat-fuse.
inline FileError destinationNameError(int error, const std::string& what)
{
    if (error == EINVAL || error == ENOENT) {
        return {FileErrorKind::InvalidName, what + ": " + std::strerror(error)};
    }
    return destinationError(error, what);
}

} // namespace rv::platform
