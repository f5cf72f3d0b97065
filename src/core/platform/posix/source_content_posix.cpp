#include "platform/posix/file_errors_posix.h"
#include "platform/source_content.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

namespace rv::platform {
namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;

} // namespace

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
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0) {
        return R::failure(sourceError(errno, file.path()));
    }
    // Most of a clinic's files are small: a buffer their size, not filled
    // first, costs a small file next to nothing.
    const std::size_t size = std::clamp<std::size_t>(static_cast<std::size_t>(info.st_size) + 1, 4096, kChunk);
    const std::unique_ptr<char[]> buffer(new char[size]);
    ContentHasher hasher;
    off_t at = 0;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return R::failure({FileErrorKind::Cancelled, file.path()});
        }
        const ssize_t got = ::pread(file.handle(), buffer.get(), size, at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return R::failure(sourceError(errno, file.path()));
        }
        if (got == 0) {
            return R::success(hasher.digest());
        }
        hasher.add(buffer.get(), static_cast<std::size_t>(got));
        at += got;
    }
}

} // namespace rv::platform
