#include "platform/source_tree.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace rv::platform {
namespace {

// The file itself, not what a link at its name points to; read in order.
constexpr DWORD kFileFlags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN;
constexpr DWORD kFolderAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kFolderFlags = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

std::uint64_t value(const LARGE_INTEGER& number) { return static_cast<std::uint64_t>(number.QuadPart); }

// Shared with everyone, as the records system may hold its files open.
WinHandle openForReading(const std::wstring& path, DWORD flags)
{
    return WinHandle(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

} // namespace

SourceFile::SourceFile(SourceFile&& other) noexcept
    : handle_(std::exchange(other.handle_, reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE))),
      path_(std::move(other.path_))
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
    const auto handle = reinterpret_cast<HANDLE>(handle_);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
}

namespace {

// A file opened at its name, checked through its handle: what it is, and,
// when expected is given, that it is the file listed.
Result<WinHandle, FileError> accept(WinHandle file, const std::string& path, std::optional<FileIdentity> expected)
{
    using R = Result<WinHandle, FileError>;
    if (!file.valid()) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    if (auto notRegular = notRegularFileW(file.get(), path)) {
        return R::failure(*notRegular);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.get(), &info)) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    if (expected && identityOf(info) != *expected) {
        return R::failure({FileErrorKind::Replaced, path + ": replaced by another file since it was listed"});
    }
    return R::success(std::move(file));
}

// A reparse point that is no link holds the file's own data (a cloud
// placeholder, a deduplicated file), which only its filter gives.
bool holdsOwnData(HANDLE file)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    return GetFileInformationByHandleEx(file, FileAttributeTagInfo, &tag, sizeof tag) &&
           (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace

// The file is first opened as itself: a link is named, not followed. Only a
// reparse point of the file's own data is opened again through its filter,
// and must be the same file.
Result<SourceFile, FileError> SourceFile::open(std::string_view pathView)
{
    std::string path(pathView);
    const std::wstring pathW = longPathW(path);
    WinHandle itself = openForReading(pathW, kFileFlags | FILE_FLAG_BACKUP_SEMANTICS);
    auto opened = [&] {
        if (!itself.valid() || notRegularFileW(itself.get(), path) || !holdsOwnData(itself.get())) {
            return accept(std::move(itself), path, std::nullopt);
        }
        BY_HANDLE_FILE_INFORMATION info{};
        GetFileInformationByHandle(itself.get(), &info);
        return accept(openForReading(pathW, FILE_FLAG_SEQUENTIAL_SCAN), path, identityOf(info));
    }();
    if (!opened.ok()) {
        return Result<SourceFile, FileError>::failure(opened.error());
    }
    return Result<SourceFile, FileError>::success(
        SourceFile(reinterpret_cast<std::intptr_t>(opened.value().release()), std::move(path)));
}

struct SourceWalk::State {
    struct Frame {
        WinHandle folder;
        std::unique_ptr<DirectoryReader> reader;
        std::string relativePath;
        std::wstring pathW;
        FolderLook look;
        DWORD volume;
        bool ended; // read to its end, or as far as it could be read
    };

    std::string root;
    std::vector<Frame> frames; // the folders on the way down
    WalkStep step;
    bool stepIsOwnReparse = false; // the last file is a reparse point of its own data
    bool started = false;

    const WalkStep* notCopied(std::string relativePath, FileError problem)
    {
        step.kind = WalkStepKind::NotCopied;
        step.relativePath = std::move(relativePath);
        step.problem = std::move(problem);
        return &step;
    }
    const WalkStep* enter(const FILE_ID_BOTH_DIR_INFO& entry, std::string relativePath);
    const WalkStep* next();
};

namespace {

FolderLook lookOf(const BY_HANDLE_FILE_INFORMATION& info) { return {info.dwFileAttributes, 0, 0}; }

// A folder opened as itself, never through a link at its name.
Result<std::pair<WinHandle, BY_HANDLE_FILE_INFORMATION>, FileError> openFolder(const std::wstring& pathW,
                                                                               const std::string& path)
{
    using R = Result<std::pair<WinHandle, BY_HANDLE_FILE_INFORMATION>, FileError>;
    WinHandle folder(
        CreateFileW(pathW.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING, kFolderFlags, nullptr));
    if (!folder.valid()) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.get(), &info)) {
        return R::failure(sourceErrorW(GetLastError(), path));
    }
    return R::success({std::move(folder), info});
}

} // namespace

const WalkStep* SourceWalk::State::enter(const FILE_ID_BOTH_DIR_INFO& entry, std::string relativePath)
{
    const std::string path = entryPath(root, relativePath);
    const std::wstring pathW = frames.back().pathW + L"\\" + nameOf(entry);
    auto opened = openFolder(pathW, path);
    if (!opened.ok()) {
        return notCopied(std::move(relativePath), opened.error());
    }
    auto& [folder, info] = opened.value();
    if (identityOf(info) != FileIdentity{frames.back().volume, value(entry.FileId)} ||
        !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        return notCopied(std::move(relativePath), {FileErrorKind::Replaced, path + ": replaced while it was listed"});
    }
    auto reader = std::make_unique<DirectoryReader>(folder.get());
    frames.push_back(
        {std::move(folder), std::move(reader), relativePath, pathW, lookOf(info), info.dwVolumeSerialNumber, false});
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
        const FILE_ID_BOTH_DIR_INFO* entry = top.ended ? nullptr : top.reader->next();
        if (entry == nullptr) {
            if (!top.ended && top.reader->error() != ERROR_SUCCESS) {
                top.ended = true;
                return notCopied(top.relativePath,
                                 sourceErrorW(top.reader->error(), entryPath(root, top.relativePath)));
            }
            step.kind = WalkStepKind::FolderEnd;
            step.relativePath = std::move(top.relativePath);
            step.look = top.look;
            frames.pop_back();
            return &step;
        }
        std::string relativePath = joinRelative(top.relativePath, fromPath(nameOf(*entry)));
        if (isLink(entry->FileAttributes, entry->EaSize)) { // EaSize holds a reparse point's tag
            return notCopied(std::move(relativePath),
                             {FileErrorKind::Link, entryPath(root, relativePath) + ": a link, not followed"});
        }
        if (entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            return enter(*entry, std::move(relativePath));
        }
        stepIsOwnReparse = (entry->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        step.kind = WalkStepKind::File;
        step.relativePath = std::move(relativePath);
        step.stamp = {top.volume, value(entry->FileId), value(entry->EndOfFile), value(entry->LastWriteTime),
                      value(entry->ChangeTime)};
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
    std::wstring pathW = longPathW(folder);
    if (pathW.size() > 1 && pathW.back() == L'\\') {
        pathW.pop_back(); // entries are joined with a separator of their own
    }
    // The folder the settings name is followed if it is a link: it is theirs.
    WinHandle handle(CreateFileW(pathW.c_str(), kFolderAccess, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!handle.valid() || !GetFileInformationByHandle(handle.get(), &info)) {
        return R::failure(sourceErrorW(GetLastError(), folder));
    }
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return R::failure({FileErrorKind::NotReadable, folder + ": not a folder"});
    }
    auto state = std::make_unique<State>();
    state->root = folder;
    auto reader = std::make_unique<DirectoryReader>(handle.get());
    state->frames.push_back(
        {std::move(handle), std::move(reader), {}, pathW, lookOf(info), info.dwVolumeSerialNumber, false});
    return R::success(SourceWalk(std::move(state)));
}

const WalkStep* SourceWalk::next() { return state_->next(); }

Result<SourceFile, FileError> SourceWalk::openFile()
{
    const WalkStep& step = state_->step;
    const State::Frame& folder = state_->frames.back();
    const std::wstring pathW = folder.pathW + L"\\" + toPath(step.name()).native();
    const DWORD flags = state_->stepIsOwnReparse ? FILE_FLAG_SEQUENTIAL_SCAN : kFileFlags;
    std::string path = pathOf(step.relativePath);
    auto opened = accept(openForReading(pathW, flags), path, FileIdentity{step.stamp.device, step.stamp.index});
    if (!opened.ok()) {
        return Result<SourceFile, FileError>::failure(opened.error());
    }
    return Result<SourceFile, FileError>::success(
        SourceFile(reinterpret_cast<std::intptr_t>(opened.value().release()), std::move(path)));
}

std::string SourceWalk::pathOf(std::string_view relativePath) const { return entryPath(state_->root, relativePath); }

} // namespace rv::platform
