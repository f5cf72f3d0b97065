#include "platform/posix/file_copier_state_posix.h"

#include "common/path_text.h"
#include "platform/copy_to_temporary.h"
#include "platform/posix/entries_posix.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <memory>
#include <utility>

// The copier's own steps around the data: the source examined, the copy made
// and given its source's look, and what it learns kept between copies.
namespace rv::platform {
namespace {

// Below this a file goes through the cache: past it, every file would wait
// for its own write to the device (measured: no faster for the data folder's
// 20,000 small files, and ten times the writes).
constexpr std::uint64_t kDirectMinimumBytes = std::uint64_t{1} << 20;

// A file written to while it is copied (the records system still at work on
// a database) gives a copy that is neither the old nor the new file.
bool changedSince(int from, const struct stat& atOpen)
{
    struct stat now {};
    return ::fstat(from, &now) != 0 || now.st_size != atOpen.st_size || now.st_mtim.tv_sec != atOpen.st_mtim.tv_sec ||
           now.st_mtim.tv_nsec != atOpen.st_mtim.tv_nsec;
}

} // namespace

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

bool FileCopier::State::changedSince(int from, const Plan& plan) { return platform::changedSince(from, plan.info); }

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

} // namespace rv::platform
