#include "platform/file_copy.h"

#include "common/path_text.h"
#include "platform/copy_to_temporary.h"
#include "platform/owned_handle.h"
#include "platform/paths.h"
#include "platform/posix/copy_method_posix.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/posix/page_buffer_posix.h"
#include "platform/temporary_names.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <utility>

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
// Below this a file goes through the cache: past it, every file would wait
// for its own write to the device (measured: no faster for the data folder's
// 20,000 small files, and ten times the writes).
constexpr std::uint64_t kDirectMinimumBytes = std::uint64_t{1} << 20;

// Errors by which a kernel-side copy says it cannot serve these two files.
bool refusesPair(int error) { return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

// A file written to while it is copied (the records system still at work on
// a database) gives a copy that is neither the old nor the new file.
bool changedSince(int from, const struct stat& atOpen)
{
    struct stat now {};
    return ::fstat(from, &now) != 0 || now.st_size != atOpen.st_size || now.st_mtim.tv_sec != atOpen.st_mtim.tv_sec ||
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

Result<std::size_t, FileError> readWriteChunk(int from, int to, bool& direct, char* buffer, std::size_t limit,
                                              std::uint64_t at, OffsetHasher& hasher, const std::string& source,
                                              const std::string& temporary)
{
    ssize_t count = 0;
    do {
        count = ::read(from, buffer, std::min(limit, kBufferBytes));
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        return Result<std::size_t, FileError>::failure(sourceError(errno, source));
    }
    hasher.add(at, buffer, static_cast<std::size_t>(count));
    auto written = writeAll(to, direct, buffer, static_cast<std::size_t>(count), temporary);
    if (!written.ok()) {
        return Result<std::size_t, FileError>::failure(written.error());
    }
    return Result<std::size_t, FileError>::success(static_cast<std::size_t>(count));
}

// A range the kernel copied never passed through this process: its digest is
// taken from the source again, whose pages the copy has just brought into
// the cache.
Result<Done, FileError> hashCopiedRange(int from, char* buffer, std::uint64_t at, std::size_t count,
                                        OffsetHasher& hasher, const std::string& source)
{
    while (count > 0) {
        const ssize_t got = ::pread(from, buffer, std::min(count, kBufferBytes), static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
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

} // namespace

// The steps of a copy (platform/copy_to_temporary.h), and what is kept between copies.
struct FileCopier::State {
    struct Plan {
        struct stat info;
        bool direct; // written past the page cache
    };
    Result<Plan, FileError> examine(int from, const std::string& source) const;
    static std::uint64_t sizeOf(const Plan& plan) { return static_cast<std::uint64_t>(plan.info.st_size); }
    static std::uint64_t modifiedOf(const Plan& plan)
    {
        return static_cast<std::uint64_t>(plan.info.st_mtim.tv_sec) * 1000000000U +
               static_cast<std::uint64_t>(plan.info.st_mtim.tv_nsec);
    }
    Result<OwnedHandle, FileError> create(const DestinationFolder& folder, const std::string& name, Plan& plan,
                                          bool& taken);
    Result<std::uint64_t, FileError> copyData(int from, int to, const Plan& plan, OffsetHasher& hasher,
                                              const std::string& source, const std::string& temporary,
                                              const CopyControl& control);
    static bool changedSince(int from, const Plan& plan) { return platform::changedSince(from, plan.info); }
    std::optional<FileError> keepLook(int to, const Plan& plan, const std::string& temporary) const;
    static FileError closeError(const std::string& temporary) { return destinationError(errno, temporary); }
    static void drop(const DestinationFolder& folder, const std::string& name, OwnedHandle& to);

    bool triesDirectWrite(std::uint64_t size) const;
    Result<std::uint64_t, FileError> copyBytes(int from, int to, bool direct, std::uint64_t start, std::uint64_t length,
                                               OffsetHasher& hasher, const std::string& source,
                                               const std::string& temporary, const CopyControl& control);
    char* ensureBuffer();

    CopyMethod method = CopyMethod::Automatic;
    // What the file systems of this run turned out not to support, so that it
    // is not tried again for every file.
    bool directRefused = false;
    bool copyRangeRefused = false;
    bool sendfileRefused = false;
    PageBuffer buffer;              // allocated on first use
    bool asRoot = ::geteuid() == 0; // which may give a copy its source's owner
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
// Copies length bytes from start (both files are placed there), or to the
// end of the source when length is 0; progress counts from start.
Result<std::uint64_t, FileError> FileCopier::State::copyBytes(int from, int to, bool direct, std::uint64_t start,
                                                              std::uint64_t length, OffsetHasher& hasher,
                                                              const std::string& source, const std::string& temporary,
                                                              const CopyControl& control)
{
    if (::lseek(from, static_cast<off_t>(start), SEEK_SET) < 0) {
        return Result<std::uint64_t, FileError>::failure(sourceError(errno, source));
    }
    if (::lseek(to, static_cast<off_t>(start), SEEK_SET) < 0) {
        return Result<std::uint64_t, FileError>::failure(destinationError(errno, temporary));
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
            if (ensureBuffer() == nullptr) {
                return Result<std::uint64_t, FileError>::failure(destinationError(ENOMEM, temporary));
            }
            auto read = readWriteChunk(from, to, direct, buffer.data(), chunk, start + done, hasher, source, temporary);
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
            if (ensureBuffer() == nullptr) {
                return Result<std::uint64_t, FileError>::failure(destinationError(ENOMEM, temporary));
            }
            auto hashed =
                hashCopiedRange(from, buffer.data(), start + done, static_cast<std::size_t>(count), hasher, source);
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

// The copy gets its source's times, as a backup should, and its permissions,
// and its owner where this process may give it (as root; set-user and
// set-group bits only then), so that it is never more open than its source.
// A file system that holds neither (FAT) refuses; the copy then stays as
// private as it was made.
std::optional<FileError> FileCopier::State::keepLook(int to, const Plan& plan, const std::string& temporary) const
{
    const struct stat& info = plan.info;
    const std::array<timespec, 2> times = {info.st_atim, info.st_mtim};
    ::futimens(to, times.data());
    std::optional<FileError> notKept;
    bool ownerKept = false;
    if (asRoot) {
        ownerKept = ::fchown(to, info.st_uid, info.st_gid) == 0;
        if (!ownerKept) {
            notKept = destinationError(errno, temporary + ": owner");
        }
    }
    if (::fchmod(to, info.st_mode & (ownerKept ? 07777 : 0777)) != 0 && !notKept) {
        notKept = destinationError(errno, temporary + ": permissions");
    }
    return notKept;
}

Result<FileCopier::State::Plan, FileError> FileCopier::State::examine(int from, const std::string& source) const
{
    Plan plan{};
    if (::fstat(from, &plan.info) != 0) {
        return Result<Plan, FileError>::failure(sourceError(errno, source));
    }
    if (!S_ISREG(plan.info.st_mode)) {
        return Result<Plan, FileError>::failure(notRegularFile(plan.info, source));
    }
    plan.direct = triesDirectWrite(static_cast<std::uint64_t>(plan.info.st_size)) && !isSparse(plan.info);
    return Result<Plan, FileError>::success(plan);
}

Result<OwnedHandle, FileError> FileCopier::State::create(const DestinationFolder& folder, const std::string& name,
                                                         Plan& plan, bool& taken)
{
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    OwnedHandle to(::openat(folder.handle(), name.c_str(), flags | (plan.direct ? O_DIRECT : 0), 0600));
    if (!to.valid() && plan.direct && errno == EINVAL) {
        // The file system cannot write past its cache at all.
        // Some kernels create the file before they refuse.
        directRefused = method == CopyMethod::Automatic;
        plan.direct = false;
        ::unlinkat(folder.handle(), name.c_str(), 0);
        to = OwnedHandle(::openat(folder.handle(), name.c_str(), flags, 0600));
    }
    if (!to.valid()) {
        const int error = errno;
        taken = error == EEXIST;
        return Result<OwnedHandle, FileError>::failure(destinationError(error, entryPath(folder.path(), name)));
    }
    return Result<OwnedHandle, FileError>::success(std::move(to));
}

void FileCopier::State::drop(const DestinationFolder& folder, const std::string& name, OwnedHandle& to)
{
    to.close();
    ::unlinkat(folder.handle(), name.c_str(), 0);
}

Result<PendingFile, FileError> FileCopier::copyToTemporary(const SourceFile& source, const DestinationFolder& folder,
                                                           std::string_view name, const CopyControl& control)
{
    return copyToTemporaryWith(*state_, source, folder, name, control);
}

namespace {

// A path relative to the chosen folder: its folder part and its name.
std::pair<std::string_view, std::string_view> split(std::string_view relative)
{
    const std::size_t separator = relative.rfind(kPathSeparator);
    if (separator == std::string_view::npos) {
        return {{}, relative};
    }
    return {relative.substr(0, separator), relative.substr(separator + 1)};
}

// The folder of a path relative to the chosen folder, reached from the
// chosen folder without passing a link.
OwnedHandle folderOf(const DestinationFolder& root, std::string_view relative)
{
    return openBeneath(root.handle(), split(relative).first, O_PATH);
}

} // namespace

Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending)
{
    using R = Result<Done, FileError>;
    const OwnedHandle from = folderOf(root, pending.temporaryPath);
    if (!from.valid()) {
        return R::failure(destinationError(errno, root.pathOf(pending.temporaryPath)));
    }
    // Most copies are made in their target's folder; one made ahead waits in another.
    const bool sameFolder = split(pending.temporaryPath).first == split(pending.targetPath).first;
    const OwnedHandle to = sameFolder ? OwnedHandle() : folderOf(root, pending.targetPath);
    if (!sameFolder && !to.valid()) {
        return R::failure(destinationError(errno, root.pathOf(pending.targetPath)));
    }
    const std::string fromName(split(pending.temporaryPath).second);
    const std::string toName(split(pending.targetPath).second);
    if (::renameat(from.get(), fromName.c_str(), sameFolder ? from.get() : to.get(), toName.c_str()) != 0) {
        return R::failure(destinationError(errno, root.pathOf(pending.targetPath)));
    }
    return R::success({});
}

// A copy whose folder is gone (the destination removed) is gone with it.
Result<Done, FileError> discard(const DestinationFolder& root, const PendingFile& pending)
{
    const std::string name(split(pending.temporaryPath).second);
    const OwnedHandle folder = folderOf(root, pending.temporaryPath);
    const bool removed = folder.valid() && ::unlinkat(folder.get(), name.c_str(), 0) == 0;
    if (!removed && errno != ENOENT) {
        return Result<Done, FileError>::failure(destinationError(errno, root.pathOf(pending.temporaryPath)));
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
    return Result<WriteFlusher, FileError>::success(WriteFlusher(OwnedHandle(fd)));
}

// One syncfs writes back the whole destination file system: the pending data,
// the renames and new folders alike, at the cost of one flush instead of one
// per file.
Result<Done, FileError> WriteFlusher::flush(const DestinationFolder& /*root*/,
                                            std::span<const PendingFile* const> /*pending*/)
{
    if (::syncfs(handle_.get()) != 0) {
        return Result<Done, FileError>::failure(destinationError(errno, "syncfs"));
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
