#include "platform/owned_handle.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/posix/page_buffer_posix.h"
#include "platform/read_back.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>

namespace rv::platform {
namespace {

// O_DIRECT wants the buffer, the offsets and the sizes aligned to the
// device's blocks; a page covers every block size in use.
constexpr std::size_t kAlignment = 4096;
constexpr std::size_t kChunk = std::size_t{1} << 20;

} // namespace

Result<ReadBack, FileError> readFromDevice(std::string_view path, const std::atomic<bool>* cancel)
{
    using R = Result<ReadBack, FileError>;
    const std::string name(path);
    ReadBack done;
    OffsetHasher hasher;
    OwnedHandle file(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_DIRECT));
    if (!file.valid() && errno == EINVAL) {
        // The file system has no direct reads (tmpfs, some FUSE): drop the
        // cached pages instead, which after a flush are all clean.
        file = OwnedHandle(::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        done.path = ReadPath::CacheDropped;
        if (file.valid()) {
            ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
        }
    }
    if (!file.valid() && errno == EINTR && cancel && *cancel) {
        return R::failure({FileErrorKind::Cancelled, name}); // a signal ended a wait in the open
    }
    if (!file.valid()) {
        return R::failure(sourceError(errno, name));
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        return R::failure(sourceError(errno, name));
    }
    // A small file gets a buffer its size: most of a backup's files are
    // small, and several are read at a time.
    const std::size_t bufferBytes = std::clamp<std::size_t>(
        (static_cast<std::size_t>(info.st_size) + kAlignment - 1) / kAlignment * kAlignment, kAlignment, kChunk);
    const PageBuffer buffer(bufferBytes);
    if (!buffer.valid()) {
        return R::failure({FileErrorKind::NotReadable, name + ": no memory for reading"});
    }
    // The holes of a sparse copy are passed over, and the digest counts them
    // as the zeros they read as: a 2 GB database of 8 KB is read back as 8 KB.
    const bool sparse = static_cast<std::uint64_t>(info.st_blocks) * 512 < static_cast<std::uint64_t>(info.st_size);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    std::uint64_t dataEnd = sparse ? 0 : UINT64_MAX; // where the data being read ends
    for (;;) {
        if (cancel && *cancel) {
            return R::failure({FileErrorKind::Cancelled, name});
        }
        if (sparse && done.bytes >= dataEnd) {
            const off_t data = ::lseek(file.get(), static_cast<off_t>(done.bytes), SEEK_DATA);
            const std::uint64_t next = data < 0 ? size : static_cast<std::uint64_t>(data);
            done.bytes = std::max(done.bytes, next);
            if (done.bytes >= size) {
                done.digest = hasher.digestOf(size);
                return R::success(done);
            }
            const off_t hole = ::lseek(file.get(), static_cast<off_t>(done.bytes), SEEK_HOLE);
            dataEnd = hole < 0 ? UINT64_MAX : static_cast<std::uint64_t>(hole);
        }
        const ssize_t got = ::pread(file.get(), buffer.data(), bufferBytes, static_cast<off_t>(done.bytes));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno == EINVAL && done.path == ReadPath::Device) {
            // Refused after the open (at the first read, or at an offset of a
            // sparse file the device cannot start at).
            ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_DIRECT);
            ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_DONTNEED);
            done.path = ReadPath::CacheDropped;
            continue;
        }
        if (got < 0) {
            return R::failure(sourceError(errno, name));
        }
        if (got == 0) {
            done.digest = hasher.digestOf(done.bytes);
            return R::success(done);
        }
        const auto taken =
            static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(got), dataEnd - done.bytes));
        hasher.add(done.bytes, buffer.data(), taken);
        done.bytes += taken;
    }
}

} // namespace rv::platform
