#include "platform/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rv::platform {
Result<InputFile, OpenFailure> InputFile::open(std::string_view utf8Path)
{
    using R = Result<InputFile, OpenFailure>;
    // Without waiting: a pipe in place of rv.dat would hold the start for good.
    const int fd = ::open(std::string(utf8Path).c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        OpenFailureKind kind = OpenFailureKind::Other;
        if (error == ENOENT || error == ENOTDIR) {
            kind = OpenFailureKind::NotFound;
        } else if (error == EACCES || error == EPERM) {
            kind = OpenFailureKind::AccessDenied;
        }
        return R::failure({kind, std::strerror(error), error});
    }
    InputFile file{OwnedHandle(fd)};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return R::failure({OpenFailureKind::Other, std::strerror(errno), errno});
    }
    if (S_ISDIR(info.st_mode)) {
        return R::failure({OpenFailureKind::NotAFile, "is a directory"});
    }
    if (!S_ISREG(info.st_mode)) {
        return R::failure({OpenFailureKind::NotRegular, "not a regular file (a pipe, a device or a socket)"});
    }
    return R::success(std::move(file));
}

Result<std::size_t, std::string> InputFile::read(char* buffer, std::size_t size)
{
    using R = Result<std::size_t, std::string>;
    for (;;) {
        const ssize_t count = ::read(handle_.get(), buffer, size);
        if (count >= 0) {
            return R::success(static_cast<std::size_t>(count));
        }
        if (errno != EINTR) {
            return R::failure(std::strerror(errno));
        }
    }
}

} // namespace rv::platform
