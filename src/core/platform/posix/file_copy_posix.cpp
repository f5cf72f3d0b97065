#include "platform/file_copy.h"

#include "platform/posix/copy_method_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/temporary_names.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace rv::platform {
namespace {

// Large enough that the kernel copies at full speed, small enough that a
// cancel or a progress report never waits long.
constexpr std::size_t kChunkBytes = std::size_t{8} << 20;
constexpr std::size_t kBufferBytes = std::size_t{8} << 20;
// Writes that bypass the page cache must start at, and cover, whole blocks
// of the device, from memory aligned the same way; a page suits every disk.
constexpr std::size_t kDirectAlignment = 4096;
// Below this a file goes through the cache: past it, every file would wait
// for its own write to the device (measured: no faster for the data folder's
// 20,000 small files, and ten times the writes).
constexpr std::uint64_t kDirectMinimumBytes = std::uint64_t{1} << 20;

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(fd_, other.fd_);
        return *this;
    }
    ~Descriptor()
    {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closing can be where a delayed write error shows; the caller must see it.
    int close() { return ::close(std::exchange(fd_, -1)); }

private:
    int fd_;
};

// Errors by which a kernel-side copy says it cannot serve these two files.
bool refusesPair(int error) { return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// A file written to while it is copied (the records system still at work on
// a database) gives a copy that is neither the old nor the new file.
bool changedSince(int from, const struct stat& atOpen, std::uint64_t copied)
{
    struct stat now {};
    return copied != static_cast<std::uint64_t>(atOpen.st_size) || ::fstat(from, &now) != 0 ||
           now.st_size != atOpen.st_size || now.st_mtim.tv_sec != atOpen.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != atOpen.st_mtim.tv_nsec;
}

bool cancelled(const CopyControl& control) { return control.cancel != nullptr && control.cancel->load(); }

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
                                 const std::string& temporary)
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
        if (step < 0 && errno != EINTR) {
            return Result<Done, FileError>::failure(destinationError(errno, temporary));
        }
        data += step > 0 ? step : 0;
        count -= step > 0 ? static_cast<std::size_t>(step) : 0;
    }
    return Result<Done, FileError>::success({});
}

Result<std::size_t, FileError> readWriteChunk(int from, int to, bool& direct, char* buffer, const std::string& source,
                                              const std::string& temporary)
{
    ssize_t count = 0;
    do {
        count = ::read(from, buffer, kBufferBytes);
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return Result<std::size_t, FileError>::failure(sourceError(errno, source));
    }
    auto written = writeAll(to, direct, buffer, static_cast<std::size_t>(count), temporary);
    if (!written.ok()) {
        return Result<std::size_t, FileError>::failure(written.error());
    }
    return Result<std::size_t, FileError>::success(static_cast<std::size_t>(count));
}

} // namespace

struct FileCopier::State {
    bool triesDirectWrite(std::uint64_t size) const;
    Result<std::uint64_t, FileError> copyBytes(int from, int to, bool direct, std::uint64_t expectedSize,
                                               const std::string& source, const std::string& temporary,
                                               const CopyControl& control);

    CopyMethod method = CopyMethod::Automatic;
    // What the file systems of this run turned out not to support, so that it
    // is not tried again for every file.
    bool directRefused = false;
    bool copyRangeRefused = false;
    bool sendfileRefused = false;
    std::unique_ptr<char, void (*)(void*)> buffer{nullptr, std::free}; // page-aligned, allocated on first use
};

FileCopier::FileCopier() : state_(std::make_unique<State>()) {}
FileCopier::FileCopier(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileCopier::FileCopier(FileCopier&& other) noexcept = default;
FileCopier& FileCopier::operator=(FileCopier&& other) noexcept = default;
FileCopier::~FileCopier() = default;

FileCopier fileCopierUsing(CopyMethod method)
{
    auto state = std::make_unique<FileCopier::State>();
    state->method = method;
    return FileCopier(std::move(state));
}

// Larger files are written past the page cache: a backup is not read back,
// and filling the cache with it costs the kernel more than the copy itself
// (measured: half the time of an in-kernel copy through the cache) and
// pushes the records system's own data out of memory.
bool FileCopier::State::triesDirectWrite(std::uint64_t size) const
{
    return method == CopyMethod::DirectWrite ||
           (method == CopyMethod::Automatic && !directRefused && size >= kDirectMinimumBytes);
}

// Otherwise copy_file_range is tried first: within one file system it lets the
// kernel copy without the data passing through this process, and on file
// systems that share extents (btrfs, XFS) it clones them, which is the reflink
// case. Between file systems it is refused on older kernels; sendfile then
// does the in-kernel copy, and plain reads and writes are the last resort.
Result<std::uint64_t, FileError> FileCopier::State::copyBytes(int from, int to, bool direct, std::uint64_t expectedSize,
                                                              const std::string& source, const std::string& temporary,
                                                              const CopyControl& control)
{
    bool useRange =
        !direct && (method == CopyMethod::CopyFileRange || (method == CopyMethod::Automatic && !copyRangeRefused));
    bool useSendfile =
        !direct && (method == CopyMethod::Sendfile || (method == CopyMethod::Automatic && !sendfileRefused));
    std::uint64_t done = 0;
    for (;;) {
        if (cancelled(control)) {
            return Result<std::uint64_t, FileError>::failure({FileErrorKind::Cancelled, source});
        }
        ssize_t count = 0;
        if (useRange) {
            count = ::copy_file_range(from, nullptr, to, nullptr, kChunkBytes, 0);
            if (count < 0 && done == 0 && refusesPair(errno)) {
                copyRangeRefused = method == CopyMethod::Automatic;
                useRange = false;
                continue;
            }
        } else if (useSendfile) {
            count = ::sendfile(to, from, nullptr, kChunkBytes);
            if (count < 0 && done == 0 && refusesPair(errno)) {
                sendfileRefused = method == CopyMethod::Automatic;
                useSendfile = false;
                continue;
            }
        } else {
            if (!buffer) {
                buffer.reset(static_cast<char*>(std::aligned_alloc(kDirectAlignment, kBufferBytes)));
                if (!buffer) {
                    return Result<std::uint64_t, FileError>::failure(destinationError(ENOMEM, temporary));
                }
            }
            auto chunk = readWriteChunk(from, to, direct, buffer.get(), source, temporary);
            if (!chunk.ok()) {
                return Result<std::uint64_t, FileError>::failure(chunk.error());
            }
            count = static_cast<ssize_t>(chunk.value());
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
        done += static_cast<std::uint64_t>(count);
        if (control.onBytes) {
            control.onBytes(done);
        }
        // The size at open is what is copied: no extra call just to meet the
        // end, which for many small files is a tenth of the work.
        if (expectedSize > 0 && done >= expectedSize) {
            return Result<std::uint64_t, FileError>::success(done);
        }
    }
}

Result<PendingFile, FileError> FileCopier::copyToTemporary(std::string_view sourceView, std::string_view targetView,
                                                           const CopyControl& control)
{
    const std::string source(sourceView);
    Descriptor from(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!from.valid()) {
        return Result<PendingFile, FileError>::failure(sourceError(errno, source));
    }
    struct stat info {};
    if (::fstat(from.get(), &info) != 0) {
        return Result<PendingFile, FileError>::failure(sourceError(errno, source));
    }
    if (!S_ISREG(info.st_mode)) {
        return Result<PendingFile, FileError>::failure(
            {FileErrorKind::NotReadable, source + (S_ISDIR(info.st_mode) ? ": a folder, not a file" : ": not a file")});
    }
    PendingFile pending{{}, std::string(targetView), 0};
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
    bool direct = state_->triesDirectWrite(size);
    Descriptor to(-1);
    // The name is created, never taken over: one already there (left by an
    // earlier process of the same number, cut off by a power cut) is passed
    // over for the next.
    for (unsigned tries = 1;; ++tries) {
        pending.temporaryPath = temporaryPathFor(targetView);
        to = Descriptor(::open(pending.temporaryPath.c_str(), flags | (direct ? O_DIRECT : 0), info.st_mode & 0777));
        if (!to.valid() && direct && errno == EINVAL) {
            // The file system cannot write past its cache at all.
            // Some kernels create the file before they refuse.
            state_->directRefused = state_->method == CopyMethod::Automatic;
            direct = false;
            ::unlink(pending.temporaryPath.c_str());
            to = Descriptor(::open(pending.temporaryPath.c_str(), flags, info.st_mode & 0777));
        }
        if (to.valid() || errno != EEXIST || tries == kTemporaryNameTries) {
            break;
        }
    }
    if (!to.valid()) {
        return Result<PendingFile, FileError>::failure(destinationError(errno, pending.temporaryPath));
    }
    auto copied = [&] {
        try {
            return state_->copyBytes(from.get(), to.get(), direct, size, source, pending.temporaryPath, control);
        } catch (...) {
            // A progress report that throws ends the copy: nothing half-made stays.
            to.close();
            ::unlink(pending.temporaryPath.c_str());
            throw;
        }
    }();
    if (copied.ok() && changedSince(from.get(), info, copied.value())) {
        copied = Result<std::uint64_t, FileError>::failure(
            {FileErrorKind::Changed, source + ": changed while being copied"});
    }
    if (copied.ok()) {
        // The copy keeps the source's times, as a backup should.
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        ::futimens(to.get(), times);
        if (to.close() != 0) {
            copied = Result<std::uint64_t, FileError>::failure(destinationError(errno, pending.temporaryPath));
        }
    }
    if (!copied.ok()) {
        to.close();
        ::unlink(pending.temporaryPath.c_str());
        return Result<PendingFile, FileError>::failure(copied.error());
    }
    pending.bytes = copied.value();
    return Result<PendingFile, FileError>::success(std::move(pending));
}

Result<Done, FileError> commit(const PendingFile& pending)
{
    if (::rename(pending.temporaryPath.c_str(), pending.targetPath.c_str()) != 0) {
        return Result<Done, FileError>::failure(destinationError(errno, pending.targetPath));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> discard(const PendingFile& pending)
{
    if (::unlink(pending.temporaryPath.c_str()) != 0 && errno != ENOENT) {
        return Result<Done, FileError>::failure(destinationError(errno, pending.temporaryPath));
    }
    return Result<Done, FileError>::success({});
}

Result<WriteFlusher, FileError> WriteFlusher::open(std::string_view destinationFolder)
{
    const std::string folder(destinationFolder);
    // Opened before anything is written: syncfs reports the write-back errors
    // that happened since this descriptor was opened.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return Result<WriteFlusher, FileError>::failure(destinationError(errno, folder));
    }
    return Result<WriteFlusher, FileError>::success(WriteFlusher(fd));
}

WriteFlusher::WriteFlusher(WriteFlusher&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

WriteFlusher& WriteFlusher::operator=(WriteFlusher&& other) noexcept
{
    std::swap(handle_, other.handle_);
    return *this;
}

WriteFlusher::~WriteFlusher()
{
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

// One syncfs writes back the whole destination file system: the pending data,
// the renames and new folders alike, at the cost of one flush instead of one
// per file.
Result<Done, FileError> WriteFlusher::flush(std::span<const PendingFile> /*pending*/)
{
    if (::syncfs(static_cast<int>(handle_)) != 0) {
        return Result<Done, FileError>::failure(destinationError(errno, "syncfs"));
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
