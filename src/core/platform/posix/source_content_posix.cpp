#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/source_content.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace rv::platform {
namespace {

constexpr std::size_t kSmall = std::size_t{16} * 1024;

} // namespace

Result<SourceStamp, FileError> stampOf(const SourceFile& file)
{
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0) {
        return Result<SourceStamp, FileError>::failure(sourceError(errno, file.path()));
    }
    return Result<SourceStamp, FileError>::success(stampOf(info));
}

Result<ContentDigest, FileError> SourceDigester::digestOf(const SourceFile& file, const std::atomic<bool>* cancel)
{
    using R = Result<ContentDigest, FileError>;
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0) {
        return R::failure(sourceError(errno, file.path()));
    }
    std::array<char, kSmall> small;
    const bool isSmall = static_cast<std::uint64_t>(info.st_size) < kSmall;
    char* const buffer = isSmall ? small.data() : largeBuffer();
    const std::size_t size = isSmall ? kSmall : kLargeChunk;
    hasher_.reset();
    off_t at = 0;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return R::failure({FileErrorKind::Cancelled, file.path()});
        }
        const ssize_t got = ::pread(file.handle(), buffer, size, at);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return R::failure(sourceError(errno, file.path()));
        }
        if (got == 0) {
            return R::success(hasher_.digest());
        }
        hasher_.add(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}

} // namespace rv::platform
