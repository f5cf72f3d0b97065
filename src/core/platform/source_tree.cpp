#include "platform/source_tree.h"

#include "common/path_text.h"
#include "platform/destination_folder.h"
#include "platform/paths.h"
#include "platform/read_back.h"
#include "platform/walk_folder.h"

#include <utility>
#include <vector>

namespace rv::platform {

Result<SourceFile, FileError> SourceFile::openBelow(const DestinationFolder& folder, std::string_view relative)
{
    auto opened = openFileBelow(folder, relative);
    if (!opened.ok()) {
        return Result<SourceFile, FileError>::failure(opened.error());
    }
    return Result<SourceFile, FileError>::success(
        SourceFile(std::move(opened.value()), folder.pathOf(joinRelative(folder.relativePath(), relative))));
}

std::string_view WalkStep::name() const
{
    const std::string_view path = relativePath;
    const std::size_t separator = path.rfind('/');
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

struct SourceWalk::State {
    struct Frame {
        HeldFolder folder;
        std::string relativePath;
        FolderLook look;
        bool ended = false; // read to its end, or as far as it could be read
    };

    std::string root;
    std::vector<Frame> frames; // the folders on the way down
    WalkStep step;
    bool started = false;

    const WalkStep* folderStep(WalkStepKind kind, std::string relativePath, const FolderLook& look)
    {
        step.kind = kind;
        step.relativePath = std::move(relativePath);
        step.look = look;
        return &step;
    }
    const WalkStep* notCopied(std::string relativePath, FileError problem)
    {
        step.kind = WalkStepKind::NotCopied;
        step.relativePath = std::move(relativePath);
        step.problem = std::move(problem);
        return &step;
    }
    const WalkStep* enter(ListedEntry entry);
    const WalkStep* next();
};

const WalkStep* SourceWalk::State::enter(ListedEntry entry)
{
    auto opened = openListedFolder(*frames.back().folder, entry, entryPath(root, entry.relativePath));
    if (!opened.ok()) {
        return notCopied(std::move(entry.relativePath), opened.error());
    }
    frames.push_back({std::move(opened.value().folder), entry.relativePath, opened.value().look});
    return folderStep(WalkStepKind::FolderStart, std::move(entry.relativePath), frames.back().look);
}

const WalkStep* SourceWalk::State::next()
{
    if (!started) {
        started = true;
        return folderStep(WalkStepKind::FolderStart, {}, frames.front().look);
    }
    if (frames.empty()) {
        return nullptr;
    }
    Frame& top = frames.back();
    ListedEntry entry = top.ended ? ListedEntry{} : readEntry(*top.folder, root, top.relativePath);
    switch (entry.kind) {
    case ListedEntry::Kind::BrokenOff:
        top.ended = true;
        return notCopied(top.relativePath, std::move(entry.problem));
    case ListedEntry::Kind::NotCopied:
        return notCopied(std::move(entry.relativePath), std::move(entry.problem));
    case ListedEntry::Kind::Folder:
        return enter(std::move(entry));
    case ListedEntry::Kind::File:
        step.kind = WalkStepKind::File;
        step.relativePath = std::move(entry.relativePath);
        step.stamp = entry.stamp;
        return &step;
    case ListedEntry::Kind::End:
        break;
    }
    const FolderLook look = top.look;
    std::string relativePath = std::move(top.relativePath);
    frames.pop_back();
    return folderStep(WalkStepKind::FolderEnd, std::move(relativePath), look);
}

SourceWalk::SourceWalk(std::unique_ptr<State> state) : state_(std::move(state)) {}
SourceWalk::SourceWalk(SourceWalk&& other) noexcept = default;
SourceWalk& SourceWalk::operator=(SourceWalk&& other) noexcept = default;
SourceWalk::~SourceWalk() = default;

Result<SourceWalk, FileError> SourceWalk::open(std::string_view folderView)
{
    std::string folder(folderView);
    auto opened = openWalkRoot(folder);
    if (!opened.ok()) {
        return Result<SourceWalk, FileError>::failure(opened.error());
    }
    auto state = std::make_unique<State>();
    state->root = std::move(folder);
    state->frames.push_back({std::move(opened.value().folder), {}, opened.value().look});
    return Result<SourceWalk, FileError>::success(SourceWalk(std::move(state)));
}

const WalkStep* SourceWalk::next() { return state_->next(); }

Result<SourceFile, FileError> SourceWalk::openFile()
{
    std::string path = pathOf(state_->step.relativePath);
    auto opened = openListedFile(*state_->frames.back().folder, state_->step, path);
    if (!opened.ok()) {
        return Result<SourceFile, FileError>::failure(opened.error());
    }
    return Result<SourceFile, FileError>::success(SourceFile(std::move(opened.value()), std::move(path)));
}

std::string SourceWalk::pathOf(std::string_view relativePath) const { return entryPath(state_->root, relativePath); }

} // namespace rv::platform
