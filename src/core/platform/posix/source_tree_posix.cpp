#include "platform/source_tree.h"

#include "common/path_text.h"
#include "platform/posix/entries_posix.h"
#include "platform/posix/file_errors_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <utility>
#include <vector>

namespace rv::platform {
namespace {

// Not following a link, not waiting: O_NONBLOCK makes the open of a pipe
// return at once (it would wait for a writer), and stays on for the reads, so
// that a file that waits for data (/proc/kmsg) answers at once too.
constexpr int kFileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

std::int64_t nanoseconds(const struct timespec& time)
{
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

SourceStamp stampOf(const struct stat& info)
{
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size), static_cast<std::uint64_t>(nanoseconds(info.st_mtim)),
            static_cast<std::uint64_t>(nanoseconds(info.st_ctim))};
}

FolderLook lookOf(const struct stat& info)
{
    return {static_cast<std::uint32_t>(info.st_mode & 07777), info.st_uid, info.st_gid};
}

using Folder = std::unique_ptr<DIR, int (*)(DIR*)>;

} // namespace

// Checked before the open as well as after it: a device is not even opened
// (opening one can be an act of its own: a tape rewinds, a watchdog starts).
Result<SourceFile, FileError> SourceFile::open(std::string_view pathView)
{
    using R = Result<SourceFile, FileError>;
    std::string path(pathView);
    struct stat listed {};
    if (::lstat(path.c_str(), &listed) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (!S_ISREG(listed.st_mode)) {
        return R::failure(notRegularFile(listed, path));
    }
    Descriptor file(::open(path.c_str(), kFileFlags));
    if (!file.valid()) {
        return R::failure(openFailure(AT_FDCWD, path.c_str(), errno, path));
    }
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (!S_ISREG(opened.st_mode)) {
        return R::failure(notRegularFile(opened, path));
    }
    if (!sameFile(opened, listed)) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced while it was opened"});
    }
    if (isMadeUpFileSystem(file.get())) {
        return R::failure({FileErrorKind::Virtual, path + ": made up by the system, not a file on a disk"});
    }
    return R::success(SourceFile(file.release(), std::move(path)));
}

SourceFile::SourceFile(SourceFile&& other) noexcept
    : handle_(std::exchange(other.handle_, -1)), path_(std::move(other.path_))
{
}

SourceFile& SourceFile::operator=(SourceFile&& other) noexcept
{
    std::swap(handle_, other.handle_);
    std::swap(path_, other.path_);
    return *this;
}

SourceFile::~SourceFile()
{
    if (handle_ >= 0) {
        ::close(static_cast<int>(handle_));
    }
}

struct SourceWalk::State {
    struct Frame {
        Folder folder;
        std::string relativePath;
        FolderLook look;
        dev_t device;
        bool ended; // read to its end, or as far as it could be read
    };

    std::string root;
    std::vector<Frame> frames; // the folders on the way down
    WalkStep step;
    bool started = false;

    const WalkStep* notCopied(std::string relativePath, FileError problem)
    {
        step.kind = WalkStepKind::NotCopied;
        step.relativePath = std::move(relativePath);
        step.problem = std::move(problem);
        return &step;
    }
    const WalkStep* enter(int parent, const char* name, std::string relativePath, const struct stat& listed);
    const WalkStep* next();
};

const WalkStep* SourceWalk::State::enter(int parent, const char* name, std::string relativePath,
                                         const struct stat& listed)
{
    const std::string path = entryPath(root, relativePath);
    Descriptor folder(::openat(parent, name, kFolderFlags));
    struct stat opened {};
    if (!folder.valid()) {
        return notCopied(std::move(relativePath), openFailure(parent, name, errno, path));
    }
    if (::fstat(folder.get(), &opened) != 0) {
        return notCopied(std::move(relativePath), sourceError(errno, path));
    }
    if (!sameFile(opened, listed)) {
        return notCopied(std::move(relativePath), {FileErrorKind::Replaced, path + ": replaced while it was listed"});
    }
    // Only a folder on another file system can be a made-up one.
    if (opened.st_dev != frames.back().device && isMadeUpFileSystem(folder.get())) {
        return notCopied(std::move(relativePath),
                         {FileErrorKind::Virtual, path + ": made up by the system, not a folder on a disk"});
    }
    Folder reader(::fdopendir(folder.get()), ::closedir);
    if (!reader) {
        return notCopied(std::move(relativePath), sourceError(errno, path));
    }
    folder.release();
    frames.push_back({std::move(reader), relativePath, lookOf(opened), opened.st_dev, false});
    step.kind = WalkStepKind::FolderStart;
    step.relativePath = std::move(relativePath);
    step.look = frames.back().look;
    return &step;
}

const WalkStep* SourceWalk::State::next()
{
    if (!started) {
        started = true;
        step = {WalkStepKind::FolderStart, {}, {}, frames.front().look, {}};
        return &step;
    }
    while (!frames.empty()) {
        Frame& top = frames.back();
        errno = 0;
        const dirent* entry = top.ended ? nullptr : ::readdir(top.folder.get());
        if (entry == nullptr) {
            if (!top.ended && errno != 0) {
                top.ended = true;
                return notCopied(top.relativePath, sourceError(errno, entryPath(root, top.relativePath)));
            }
            step.kind = WalkStepKind::FolderEnd;
            step.relativePath = std::move(top.relativePath);
            step.look = top.look;
            frames.pop_back();
            return &step;
        }
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        std::string relativePath = joinRelative(top.relativePath, name);
        struct stat listed {};
        const int folder = ::dirfd(top.folder.get());
        if (::fstatat(folder, entry->d_name, &listed, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                continue; // gone since the folder was read: there is nothing to copy
            }
            FileError error = sourceError(errno, entryPath(root, relativePath));
            return notCopied(std::move(relativePath), std::move(error));
        }
        if (S_ISDIR(listed.st_mode)) {
            return enter(folder, entry->d_name, std::move(relativePath), listed);
        }
        if (!S_ISREG(listed.st_mode)) {
            FileError error = notRegularFile(listed, entryPath(root, relativePath));
            return notCopied(std::move(relativePath), std::move(error));
        }
        step.kind = WalkStepKind::File;
        step.relativePath = std::move(relativePath);
        step.stamp = stampOf(listed);
        return &step;
    }
    return nullptr;
}

SourceWalk::SourceWalk(std::unique_ptr<State> state) : state_(std::move(state)) {}
SourceWalk::SourceWalk(SourceWalk&& other) noexcept = default;
SourceWalk& SourceWalk::operator=(SourceWalk&& other) noexcept = default;
SourceWalk::~SourceWalk() = default;

Result<SourceWalk, FileError> SourceWalk::open(std::string_view folderView)
{
    using R = Result<SourceWalk, FileError>;
    const std::string folder(folderView);
    Descriptor handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC));
    if (!handle.valid()) {
        if (errno == ENOTDIR) {
            return R::failure({FileErrorKind::NotReadable, folder + ": not a folder"});
        }
        return R::failure(sourceError(errno, folder));
    }
    struct stat info {};
    if (::fstat(handle.get(), &info) != 0) {
        return R::failure(sourceError(errno, folder));
    }
    if (isMadeUpFileSystem(handle.get())) {
        return R::failure({FileErrorKind::Virtual, folder + ": made up by the system, not a folder on a disk"});
    }
    Folder reader(::fdopendir(handle.get()), ::closedir);
    if (!reader) {
        return R::failure(sourceError(errno, folder));
    }
    handle.release();
    auto state = std::make_unique<State>();
    state->root = folder;
    state->frames.push_back({std::move(reader), {}, lookOf(info), info.st_dev, false});
    return R::success(SourceWalk(std::move(state)));
}

const WalkStep* SourceWalk::next() { return state_->next(); }

Result<SourceFile, FileError> SourceWalk::openFile()
{
    using R = Result<SourceFile, FileError>;
    const WalkStep& step = state_->step;
    std::string path = pathOf(step.relativePath);
    const std::string name(step.name());
    const int folder = ::dirfd(state_->frames.back().folder.get());
    Descriptor file(::openat(folder, name.c_str(), kFileFlags));
    if (!file.valid()) {
        return R::failure(openFailure(folder, name.c_str(), errno, path));
    }
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0) {
        return R::failure(sourceError(errno, path));
    }
    if (!S_ISREG(opened.st_mode)) {
        return R::failure(notRegularFile(opened, path));
    }
    if (stampOf(opened).device != step.stamp.device || stampOf(opened).index != step.stamp.index) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced by another file since it was listed"});
    }
    // A file of another file system than its folder's is one mounted there alone.
    if (opened.st_dev != state_->frames.back().device && isMadeUpFileSystem(file.get())) {
        return R::failure({FileErrorKind::Virtual, path + ": made up by the system, not a file on a disk"});
    }
    return R::success(SourceFile(file.release(), std::move(path)));
}

std::string SourceWalk::pathOf(std::string_view relativePath) const { return entryPath(state_->root, relativePath); }

} // namespace rv::platform
