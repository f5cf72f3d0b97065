#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/source_content.h"

#include <sys/stat.h>
#include <unistd.h>

namespace rv::platform {

Result<SourceStamp, FileError> stampOf(const SourceFile& file)
{
    struct stat info {};
    if (::fstat(file.handle(), &info) != 0) {
        return Result<SourceStamp, FileError>::failure(sourceError(errno, file.path()));
    }
    return Result<SourceStamp, FileError>::success(stampOf(info));
}

// Its size is not asked first, as that costs a call for each of 20,000
// files: a small file is read whole by the first read, and the second finds its end.
Result<ContentDigest, FileError> SourceDigester::digestOf(const SourceFile& file, const std::atomic<bool>* cancel)
{
    using R = Result<ContentDigest, FileError>;
    char* const buffer = chunkBuffer();
    hasher_.reset();
    off_t at = 0;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return R::failure({FileErrorKind::Cancelled, file.path()});
        }
        const ssize_t got = ::pread(file.handle(), buffer, kChunk, at);
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
