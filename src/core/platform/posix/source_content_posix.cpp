#include "platform/posix/file_errors_posix.h"
#include "platform/source_content.h"

#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace rv::platform {

Result<SourceStamp, FileError> stampOf(const SourceFile& file)
{
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0) {
        return Result<SourceStamp, FileError>::failure(sourceError(errno, file.path()));
    }
    const auto nanoseconds = [](const struct timespec& time) {
        return static_cast<std::uint64_t>(time.tv_sec) * 1000000000U + static_cast<std::uint64_t>(time.tv_nsec);
    };
    return Result<SourceStamp, FileError>::success(
        {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
         static_cast<std::uint64_t>(info.st_size), nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)});
}

Result<ContentDigest, FileError> digestOf(const SourceFile& file, const std::atomic<bool>* cancel)
{
    using R = Result<ContentDigest, FileError>;
    std::vector<char> buffer(std::size_t{1} << 20);
    ContentHasher hasher;
    off_t at = 0;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return R::failure({FileErrorKind::Cancelled, file.path()});
        }
        const ssize_t got = ::pread(file.handle(), buffer.data(), buffer.size(), at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return R::failure(sourceError(errno, file.path()));
        }
        if (got == 0) {
            return R::success(hasher.digest());
        }
        hasher.add(buffer.data(), static_cast<std::size_t>(got));
        at += got;
    }
}

} // namespace rv::platform
