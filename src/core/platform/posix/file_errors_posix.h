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
                                                                    : FileErrorKind::NotWritable;
    return {kind, what + ": " + std::strerror(error), error};
}

} // namespace rv::platform
