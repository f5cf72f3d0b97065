#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/text_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace rv::platform {

Result<TextOutput, FileError> TextOutput::open(std::string_view path, Mode mode)
{
    const std::string name(path);
    // Without waiting: a named pipe at the name would hold the run for good.
    const int flags = O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK | O_CREAT |
                      (mode == Mode::CreateNew ? O_EXCL : O_APPEND);
    OwnedHandle file(::open(name.c_str(), flags, 0644));
    struct stat info {};
    if (!file.valid() || ::fstat(file.get(), &info) != 0) {
        const int error = errno;
        struct stat there {};
        const bool special = ::lstat(name.c_str(), &there) == 0 && !S_ISREG(there.st_mode);
        return Result<TextOutput, FileError>::failure(special ? notRegularFile(there, name)
                                                              : destinationError(error, name));
    }
    if (!S_ISREG(info.st_mode)) {
        return Result<TextOutput, FileError>::failure(notRegularFile(info, name));
    }
    return Result<TextOutput, FileError>::success(TextOutput(std::move(file), name));
}

Result<Done, FileError> TextOutput::write(std::string_view text)
{
    while (!text.empty()) {
        const ssize_t put = ::write(handle_.get(), text.data(), text.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            return Result<Done, FileError>::failure(destinationError(errno, path_));
        }
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> TextOutput::finish()
{
    OwnedHandle file = std::move(handle_);
    const bool flushed = ::fsync(file.get()) == 0;
    const int error = errno;
    const bool closed = file.close();
    if (!flushed || !closed) {
        return Result<Done, FileError>::failure(destinationError(flushed ? errno : error, path_));
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
