#include "platform/posix/file_copier_state_posix.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

// How a copier moves the bytes: in the kernel, or through this process, and
// a sparse source a range at a time so that its holes stay holes.
namespace rv::platform {
namespace {

// Large enough that the kernel copies at full speed, small enough that a
// cancel or a progress report never waits long. The buffer, for what passes
// through this process, is most of its memory: 4 MB writes past the cache
// are as fast as larger ones.
constexpr std::size_t kChunkBytes = std::size_t{8} << 20;
constexpr std::size_t kBufferBytes = std::size_t{4} << 20;
// Writes that bypass the page cache must start at, and cover, whole blocks
// of the device, from memory aligned the same way; a page suits every disk.
constexpr std::size_t kDirectAlignment = 4096;

// Errors by which a kernel-side copy says it cannot serve these two files.
bool refusesPair(int error) { return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

bool cancelled(const CopyControl& control) { return control.cancel != nullptr && control.cancel->load(); }

// A call a signal cut short is tried again, unless the signal was the cancel.
bool retryAfter(int error, const CopyControl& control) { return error == EINTR && !cancelled(control); }

FileError cancelledAt(const std::string& source) { return {FileErrorKind::Cancelled, source}; }

// Leaves writing past the page cache for the rest of this file.
bool stopDirectWrite(int to, bool& direct)
{
    direct = false;
    const int flags = ::fcntl(to, F_GETFL);
    return flags >= 0 && ::fcntl(to, F_SETFL, flags & ~O_DIRECT) == 0;
}

// While writing past the cache, only whole blocks go that way; a file's last
// part shorter than a block, or everything where the file system turns such
// writes down, goes through the cache.
Result<Done, FileError> writeAll(int to, bool& direct, const char* data, std::size_t count,
                                 const std::string& temporary, const CopyControl& control)
{
    while (count > 0) {
        const std::size_t length = direct ? count - count % kDirectAlignment : count;
        const ssize_t step = length == 0 ? -1 : ::write(to, data, length);
        if (step < 0 && direct && (length == 0 || errno == EINVAL)) {
            if (!stopDirectWrite(to, direct)) {
                return Result<Done, FileError>::failure(destinationError(errno, temporary));
            }
            continue;
        }
        if (step < 0 && !retryAfter(errno, control)) {
            return Result<Done, FileError>::failure(errno == EINTR ? cancelledAt(temporary)
                                                                   : destinationError(errno, temporary));
        }
        data += step > 0 ? step : 0;
        count -= step > 0 ? static_cast<std::size_t>(step) : 0;
    }
    return Result<Done, FileError>::success({});
}

Result<std::size_t, FileError> readWriteChunk(int from, int to, bool& direct, char* buffer, std::size_t limit,
                                              std::uint64_t at, OffsetHasher& hasher, const std::string& source,
                                              const std::string& temporary, const CopyControl& control)
{
    ssize_t count = 0;
    do {
        count = ::read(from, buffer, std::min(limit, kBufferBytes));
    } while (count < 0 && retryAfter(errno, control));
    if (count < 0) {
        return Result<std::size_t, FileError>::failure(errno == EINTR ? cancelledAt(source)
                                                                      : sourceError(errno, source));
    }
    hasher.add(at, buffer, static_cast<std::size_t>(count));
    auto written = writeAll(to, direct, buffer, static_cast<std::size_t>(count), temporary, control);
    if (!written.ok()) {
        return Result<std::size_t, FileError>::failure(written.error());
    }
    return Result<std::size_t, FileError>::success(static_cast<std::size_t>(count));
}

// A range the kernel copied never passed through this process: its digest is
// taken from the source again, whose pages the copy has just brought into
// the cache.
Result<Done, FileError> hashCopiedRange(int from, char* buffer, std::uint64_t at, std::size_t count,
                                        OffsetHasher& hasher, const std::string& source, const CopyControl& control)
{
    while (count > 0) {
        const ssize_t got = ::pread(from, buffer, std::min(count, kBufferBytes), static_cast<off_t>(at));
        if (got < 0 && retryAfter(errno, control)) {
            continue;
        }
        if (got < 0 && errno == EINTR) {
            return Result<Done, FileError>::failure(cancelledAt(source));
        }
        if (got <= 0) {
            return Result<Done, FileError>::failure(sourceError(got < 0 ? errno : EIO, source));
        }
        hasher.add(at, buffer, static_cast<std::size_t>(got));
        at += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return Result<Done, FileError>::success({});
}

// Both files are placed at start, where the copy's reads and writes begin.
std::optional<FileError> placeAt(int from, int to, std::uint64_t start, const std::string& source,
                                 const std::string& temporary)
{
    if (::lseek(from, static_cast<off_t>(start), SEEK_SET) < 0) {
        return sourceError(errno, source);
    }
    if (::lseek(to, static_cast<off_t>(start), SEEK_SET) < 0) {
        return destinationError(errno, temporary);
    }
    return std::nullopt;
}

} // namespace

// Unless the copy is written past the page cache, copy_file_range is tried
// first: within one file system it lets the kernel copy without the data
// passing through this process, and on file systems that share extents
// (btrfs, XFS) it clones them, which is the reflink case. Between file systems it is refused on older kernels; sendfile
// then does the in-kernel copy, and plain reads and writes are the last resort. Copies length bytes from start (both
// files are placed there), or to the end of the source when length is 0; progress counts from start.
Result<std::uint64_t, FileError> FileCopier::State::copyBytes(int from, int to, bool direct, std::uint64_t start,
                                                              std::uint64_t length, OffsetHasher& hasher,
                                                              const std::string& source, const std::string& temporary,
                                                              const CopyControl& control)
{
    if (auto misplaced = placeAt(from, to, start, source, temporary)) {
        return Result<std::uint64_t, FileError>::failure(*misplaced);
    }
    bool useRange =
        !direct && (method == CopyMethod::CopyFileRange || (method == CopyMethod::Automatic && !copyRangeRefused));
    bool useSendfile =
        !direct && (method == CopyMethod::Sendfile || (method == CopyMethod::Automatic && !sendfileRefused));
    std::uint64_t done = 0;
    for (;;) {
        if (cancelled(control)) {
            return Result<std::uint64_t, FileError>::failure({FileErrorKind::Cancelled, source});
        }
        // A range ends where it ends: past it lies a hole that must stay one.
        const std::size_t chunk =
            length == 0 ? kChunkBytes : static_cast<std::size_t>(std::min<std::uint64_t>(kChunkBytes, length - done));
        ssize_t count = 0;
        if (useRange) {
            count = ::copy_file_range(from, nullptr, to, nullptr, chunk, 0);
            if (count < 0 && done == 0 && refusesPair(errno)) {
                copyRangeRefused = method == CopyMethod::Automatic;
                useRange = false;
                continue;
            }
        } else if (useSendfile) {
            count = ::sendfile(to, from, nullptr, chunk);
            if (count < 0 && done == 0 && refusesPair(errno)) {
                sendfileRefused = method == CopyMethod::Automatic;
                useSendfile = false;
                continue;
            }
        } else {
            auto read = readWriteStep(from, to, direct, chunk, start + done, hasher, source, temporary, control);
            if (!read.ok()) {
                return Result<std::uint64_t, FileError>::failure(read.error());
            }
            count = static_cast<ssize_t>(read.value());
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 || (count == 0 && (useRange || useSendfile) && done == 0)) {
            // A kernel-side copy does not say which side failed, and some file
            // systems report nothing to copy where there is data: the plain
            // path redoes this chunk and names the real fault, if there is one.
            useRange = useSendfile = false;
            continue;
        }
        if (count == 0) {
            return Result<std::uint64_t, FileError>::success(done);
        }
        if (useRange || useSendfile) {
            auto hashed =
                hashKernelCopy(from, start + done, static_cast<std::size_t>(count), hasher, source, temporary, control);
            if (!hashed.ok()) {
                return Result<std::uint64_t, FileError>::failure(hashed.error());
            }
        }
        done += static_cast<std::uint64_t>(count);
        if (control.onBytes) {
            control.onBytes(start + done);
        }
        // The size at open is what is copied: no extra call just to meet the
        // end, which for many small files is a tenth of the work.
        if (length > 0 && done >= length) {
            return Result<std::uint64_t, FileError>::success(done);
        }
    }
}

// One chunk of the plain path: read into this process, then written out.
Result<std::size_t, FileError> FileCopier::State::readWriteStep(int from, int to, bool& direct, std::size_t chunk,
                                                                std::uint64_t at, OffsetHasher& hasher,
                                                                const std::string& source, const std::string& temporary,
                                                                const CopyControl& control)
{
    if (ensureBuffer() == nullptr) {
        return Result<std::size_t, FileError>::failure(destinationError(ENOMEM, temporary));
    }
    return readWriteChunk(from, to, direct, buffer.data(), chunk, at, hasher, source, temporary, control);
}

Result<Done, FileError> FileCopier::State::hashKernelCopy(int from, std::uint64_t at, std::size_t count,
                                                          OffsetHasher& hasher, const std::string& source,
                                                          const std::string& temporary, const CopyControl& control)
{
    if (ensureBuffer() == nullptr) {
        return Result<Done, FileError>::failure(destinationError(ENOMEM, temporary));
    }
    return hashCopiedRange(from, buffer.data(), at, count, hasher, source, control);
}

char* FileCopier::State::ensureBuffer()
{
    if (!buffer.valid()) {
        buffer = PageBuffer(kBufferBytes);
    }
    return buffer.data();
}

// A source that takes less room on its disk than its size has holes.
bool isSparse(const struct stat& info)
{
    return static_cast<std::uint64_t>(info.st_blocks) * 512 < static_cast<std::uint64_t>(info.st_size);
}

// A sparse source is copied a range of data at a time, so that its holes
// stay holes: a 2 GB database that holds 8 KB takes 8 KB in the backup, and
// as long to copy. What is returned is how far the copy reaches, holes
// included; short of the size when the source ended early.
Result<std::uint64_t, FileError> FileCopier::State::copyData(int from, int to, const Plan& plan, OffsetHasher& hasher,
                                                             const std::string& source, const std::string& temporary,
                                                             const CopyControl& control)
{
    const auto size = static_cast<std::uint64_t>(plan.info.st_size);
    if (!isSparse(plan.info)) {
        return copyBytes(from, to, plan.direct, 0, size, hasher, source, temporary, control);
    }
    std::uint64_t at = 0;
    bool cutShort = false;
    while (at < size && !cutShort) {
        const off_t data = ::lseek(from, static_cast<off_t>(at), SEEK_DATA);
        if (data < 0 && errno == ENXIO) {
            break; // only a hole is left
        }
        // A file system that cannot say where the data is gets the rest copied whole.
        const off_t hole = data < 0 ? -1 : ::lseek(from, data, SEEK_HOLE);
        const std::uint64_t start = data < 0 ? at : static_cast<std::uint64_t>(data);
        const std::uint64_t end = hole < 0 ? size : std::min(static_cast<std::uint64_t>(hole), size);
        if (start >= end) {
            break;
        }
        auto range = copyBytes(from, to, false, start, end - start, hasher, source, temporary, control);
        if (!range.ok()) {
            return range;
        }
        at = start + range.value();
        cutShort = at < end;
    }
    const std::uint64_t reach = cutShort ? at : size;
    if (::ftruncate(to, static_cast<off_t>(reach)) != 0) {
        return Result<std::uint64_t, FileError>::failure(destinationError(errno, temporary));
    }
    if (control.onBytes) {
        control.onBytes(reach); // a hole at the end is copied too, by the truncate
    }
    return Result<std::uint64_t, FileError>::success(reach);
}

} // namespace rv::platform
