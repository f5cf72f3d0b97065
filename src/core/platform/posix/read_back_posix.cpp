#include "common/path_text.h"
#include "platform/owned_handle.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/posix/page_buffer_posix.h"
#include "platform/read_back.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>

namespace rv::platform {
namespace {

// O_DIRECT wants the buffer, the offsets and the sizes aligned to the
// device's blocks; a page covers every block size in use.
constexpr std::size_t kAlignment = 4096;
constexpr std::size_t kChunk = std::size_t{1} << 20;
constexpr std::size_t kStackRead = std::size_t{64} * 1024;

// The regular file at relative below folder, never waited on, opened with
// flags added where the file system takes them (withFlags says whether it
// did); info is what it is.
Result<OwnedHandle, FileError> openRegularBelow(const DestinationFolder& folder, std::string_view relative,
                                                int extraFlags, bool& withFlags, struct stat& info)
{
    using R = Result<OwnedHandle, FileError>;
    const std::string what = entryPath(folder.path(), relative);
    const OwnedHandle parent = openBeneath(folder.handle(), folderPartOf(relative), O_PATH);
    if (!parent.valid()) {
        // A link or a file where a folder of the path goes is passed by no name.
        return R::failure(
            errno == ELOOP || errno == ENOTDIR
                ? FileError{FileErrorKind::Link, what + ": a link or a file where a folder goes, not followed"}
                : sourceError(errno, what));
    }
    const std::string name = fileNameOf(relative);
    // Without waiting: a named pipe opened so would wait for a writer for good.
    const int flags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK;
    OwnedHandle file(::openat(parent.get(), name.c_str(), flags | extraFlags));
    withFlags = file.valid();
    if (!file.valid() && extraFlags != 0 && errno == EINVAL) {
        // Refused for the flags added (no direct reads there, or no file):
        // opened plainly, the caller finds out which.
        file = OwnedHandle(::openat(parent.get(), name.c_str(), flags));
    }
    if (!file.valid()) {
        return R::failure(openFailure(parent.get(), name.c_str(), errno, what));
    }
    if (::fstat(file.get(), &info) != 0) {
        return R::failure(sourceError(errno, what));
    }
    if (!S_ISREG(info.st_mode)) {
        return R::failure(notRegularFile(info, what));
    }
    return R::success(std::move(file));
}

// Where a file system refuses direct reads (tmpfs, some FUSE, or a device
// that cannot start at an offset of a sparse file), the file is read through
// the cache with its pages dropped first, which after a flush are all clean.
void readThroughDroppedCache(int file, ReadBack& done)
{
    ::posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED);
    done.path = ReadPath::CacheDropped;
}

// The data of a sparse file at or after at: where it starts (size when only
// holes are left) and where it ends (UINT64_MAX when not known).
std::pair<std::uint64_t, std::uint64_t> nextDataOf(int file, std::uint64_t at, std::uint64_t size)
{
    const off_t data = ::lseek(file, static_cast<off_t>(at), SEEK_DATA);
    const std::uint64_t start = std::max(at, data < 0 ? size : static_cast<std::uint64_t>(data));
    if (start >= size) {
        return {size, size};
    }
    const off_t hole = ::lseek(file, static_cast<off_t>(start), SEEK_HOLE);
    return {start, hole < 0 ? UINT64_MAX : static_cast<std::uint64_t>(hole)};
}

} // namespace

Result<OwnedHandle, FileError> openFileBelow(const DestinationFolder& folder, std::string_view relative)
{
    struct stat info {};
    bool withFlags = false;
    return openRegularBelow(folder, relative, 0, withFlags, info);
}

Result<ReadBack, FileError> readFromDeviceBelow(const DestinationFolder& folder, std::string_view relative,
                                                const std::atomic<bool>* cancel)
{
    using R = Result<ReadBack, FileError>;
    // Opened past the cache at once. O_NONBLOCK stays: it does nothing to a
    // regular file's reads.
    struct stat info {};
    bool direct = false;
    auto opened = openRegularBelow(folder, relative, O_DIRECT, direct, info);
    if (!opened.ok()) {
        return R::failure(opened.error());
    }
    const OwnedHandle file = std::move(opened.value());
    const std::string name = entryPath(folder.path(), relative);
    ReadBack done;
    OffsetHasher hasher;
    if (!direct) {
        readThroughDroppedCache(file.get(), done);
    }
    // A small file gets a buffer its size: most of a backup's files are
    // small, and several are read at a time. One that fits is read into the
    // stack: pages mapped and unmapped for each of 20,000 files cost every
    // reader of the run a pause at each unmapping.
    const std::size_t bufferBytes = std::clamp<std::size_t>(
        (static_cast<std::size_t>(info.st_size) + kAlignment - 1) / kAlignment * kAlignment, kAlignment, kChunk);
    alignas(kAlignment) std::array<char, kStackRead> stack;
    const bool onStack = bufferBytes <= stack.size();
    const PageBuffer pages = onStack ? PageBuffer() : PageBuffer(bufferBytes);
    char* const buffer = onStack ? stack.data() : pages.data();
    if (buffer == nullptr) {
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
            std::tie(done.bytes, dataEnd) = nextDataOf(file.get(), done.bytes, size);
            if (done.bytes >= size) {
                done.digest = hasher.digestOf(size);
                return R::success(done);
            }
        }
        const ssize_t got = ::pread(file.get(), buffer, bufferBytes, static_cast<off_t>(done.bytes));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && errno == EINVAL && done.path == ReadPath::Device) {
            // Refused after the open, at the first read or at an offset.
            ::fcntl(file.get(), F_SETFL, ::fcntl(file.get(), F_GETFL) & ~O_DIRECT);
            readThroughDroppedCache(file.get(), done);
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
        hasher.add(done.bytes, buffer, taken);
        done.bytes += taken;
        // A read short of its buffer met the end: no call more to be told so.
        if (static_cast<std::size_t>(got) < bufferBytes && done.bytes >= size) {
            done.digest = hasher.digestOf(done.bytes);
            return R::success(done);
        }
    }
}

} // namespace rv::platform
