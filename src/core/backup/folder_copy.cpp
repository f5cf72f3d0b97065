#include "backup/folder_copy.h"

#include "backup/run_record.h"
#include "common/path_text.h"

namespace rv {

using platform::DestinationFolder;
using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;
using platform::WalkStep;
using platform::WalkStepKind;

namespace {

// The single files before the data folder are written past the cache and
// wait on the device for about as long as the processor takes to copy four
// batches of small files (measured: a clinic's 1 GB of databases took 1.5 s,
// a batch of 2,000 small files 0.4 s); the rest of the data folder is copied
// at its turn. Four batches are at most 256 MB of room beside the earlier
// backup, and a full disk takes them back first.
constexpr std::size_t kBatchesAhead = 4;

} // namespace

FolderCopy::FolderCopy(const BackupPlan& plan, const DestinationFolder& root, RunCopier& copier, RunLedger& ledger,
                       const std::atomic<bool>& cancel)
    : plan_(plan), root_(root), copier_(copier), ledger_(ledger), cancel_(cancel)
{
}

void FolderCopy::startAhead(std::uint64_t surveyedFiles, BatchLimits batches, AheadOfFolder how)
{
    if (plan_.steps.empty() || how == AheadOfFolder::Nothing) {
        return;
    }
    const std::size_t last = plan_.steps.size() - 1;
    const CopyStep& step = plan_.steps[last];
    if (last == 0 || step.kind != StepKind::Folder || step.problem || surveyedFiles == 0 || cancel_.load()) {
        return;
    }
    for (const CopyStep& earlier : plan_.steps) {
        if (earlier.overwrittenBy == last) {
            return; // an earlier item is written where the folder goes
        }
    }
    auto made = root_.makeFolder(step.name);
    if (!made.ok()) {
        return; // the run meets this at the folder's turn and says so
    }
    ledger_.madeFolder(made.value());
    madeFolderAhead_ = made.value().created;
    folderAhead_.emplace(std::move(made.value().folder));
    aheadStep_ = last;
    aheadFinishes_ = how == AheadOfFolder::Finished;
    const BatchLimits ahead{batches.files * kBatchesAhead, batches.bytes * kBatchesAhead};
    precopy_.emplace(root_, *folderAhead_, step.source, cancel_, ahead,
                     [this, name = step.name](const std::string& relativePath, std::uint64_t size) {
                         const std::string recordPath = recordPathOf(name, relativePath);
                         if (!copier_.mayBeUnchanged(recordPath, size)) {
                             return FolderPrecopy::Ahead::Copy;
                         }
                         return copier_.readsBack(recordPath) ? FolderPrecopy::Ahead::CheckAndReadBack
                                                              : FolderPrecopy::Ahead::Check;
                     });
}

void FolderCopy::beforeStep(std::size_t step)
{
    if (aheadAt(step) && cancel_.load()) {
        abandonAhead();
    }
}

void FolderCopy::afterStep(std::size_t step)
{
    if (aheadAt(step)) {
        ledger_.notRemoved(precopy_->discardRest());
        precopy_.reset();
    }
}

bool FolderCopy::clearAhead()
{
    if (!precopy_) {
        return false;
    }
    precopy_->stop();
    const bool held = precopy_->holdsCopies();
    ledger_.notRemoved(precopy_->discardRest());
    return held;
}

// A run that never reached the folder leaves nothing of it: the copies made
// ahead go, and the folder too if this run made it.
void FolderCopy::abandonAhead()
{
    ledger_.notRemoved(precopy_->discardRest());
    precopy_.reset();
    if (madeFolderAhead_) {
        if (auto removed = root_.removeEmptyFolder(plan_.steps[aheadStep_].name); !removed.ok()) {
            ledger_.notRemoved({{plan_.steps[aheadStep_].name, removed.error()}});
        }
    }
    folderAhead_.reset();
}

void FolderCopy::copy(std::size_t step)
{
    auto walk = platform::SourceWalk::open(plan_.steps[step].source);
    if (!walk.ok()) {
        if (aheadAt(step)) {
            abandonAhead();
        }
        ledger_.notCopied(step, walk.error());
        return;
    }
    if (aheadAt(step)) {
        if (aheadFinishes_) {
            precopy_->finish();
        }
        precopy_->stop();
    }
    std::vector<Frame> frames;
    bool cancelled = false;
    while (const WalkStep* entry = walk.value().next()) {
        if (cancel_.load()) {
            cancelled = true;
            break;
        }
        switch (entry->kind) {
        case WalkStepKind::FolderStart:
            if (!enterFolder(step, *entry, frames)) {
                return;
            }
            break;
        case WalkStepKind::FolderEnd:
            leaveFolder(step, frames);
            break;
        case WalkStepKind::NotCopied:
            ledger_.fileNotCopied(step, entry->relativePath, entry->problem);
            break;
        case WalkStepKind::File:
            cancelled = !copyEntry(step, walk.value(), *entry, frames.back());
            break;
        }
        if (cancelled) {
            break;
        }
    }
    if (cancelled) {
        ledger_.cutShort(step);
    }
    // A cancel leaves the walk part-way: the folders on the way still take their look.
    while (!frames.empty()) {
        leaveFolder(step, frames);
    }
}

// Makes the copy of the folder the walk has entered. The data folder's own
// copy failing fails the item; a folder inside it is named, and so is
// everything it holds, which has nowhere to go.
bool FolderCopy::enterFolder(std::size_t step, const WalkStep& entry, std::vector<Frame>& frames)
{
    Frame frame{{}, {}, entry.look, {}};
    if (!frames.empty()) {
        frame.problem = frames.back().folder ? makeInside(frames.back(), entry.name(), frame) : frames.back().problem;
    } else if (auto made = root_.makeFolder(plan_.steps[step].name); made.ok()) {
        ledger_.madeFolder(made.value());
        frame.folder.emplace(std::move(made.value().folder));
        copier_.sweep(*frame.folder);
    } else {
        ledger_.fail(step, made.error().kind, made.error().detail);
        return false;
    }
    if (frame.problem) {
        ledger_.fileNotCopied(step, entry.relativePath, frame.problem->reason, frame.problem->detail);
    }
    frames.push_back(std::move(frame));
    return true;
}

// Makes the folder name inside parent's for frame; why not, when it cannot
// be made or the destination takes its name as one of a folder this run
// made beside it (a case-insensitive disk): the two would be merged.
std::optional<CommitFailure> FolderCopy::makeInside(Frame& parent, std::string_view name, Frame& frame)
{
    auto made = parent.folder->makeFolder(name);
    if (!made.ok()) {
        return CommitFailure{made.error().kind, made.error().detail};
    }
    ledger_.madeFolder(made.value());
    if (!made.value().created) {
        auto sibling = parent.madeInside.includes(root_, *parent.folder, made.value().folder, name);
        if (!sibling.ok() || sibling.value()) {
            return sibling.ok() ? CommitFailure{BackupReason::FolderNameTakenAsOne,
                                                made.value().folder.path() + ": the name of a folder this run made"}
                                : sibling.error();
        }
    }
    parent.madeInside.add(root_, made.value().folder, name);
    frame.folder.emplace(std::move(made.value().folder));
    copier_.sweep(*frame.folder);
    return std::nullopt;
}

void FolderCopy::leaveFolder(std::size_t step, std::vector<Frame>& frames)
{
    Frame& frame = frames.back();
    if (frame.folder) {
        copier_.handOverFolder(step, {frame.folder->relativePath(), frame.look});
    }
    frames.pop_back();
}

// Copies one file of the walk into the folder it belongs in; false when a
// cancel stopped it.
bool FolderCopy::copyEntry(std::size_t step, platform::SourceWalk& walk, const WalkStep& entry, const Frame& into)
{
    ledger_.fileMet(step);
    std::uint64_t reported = 0;
    if (!into.folder) {
        ledger_.fileNotCopied(step, entry.relativePath, into.problem->reason, into.problem->detail);
        copier_.fileOver(reported, entry.stamp.size);
        return true;
    }
    auto pending = takeOrCopy(step, walk, entry, *into.folder, reported);
    if (pending.ok()) {
        if (pending.value()) {
            copier_.handOver({std::move(*pending.value()), step, entry.relativePath}, reported);
        }
        return true;
    }
    copier_.fileOver(reported, entry.stamp.size);
    if (pending.error().kind == FileErrorKind::Cancelled) {
        return false;
    }
    ledger_.fileNotCopied(step, entry.relativePath, copier_.whyNotCopied(pending.error()), pending.error().detail);
    return true;
}

// A copy made ahead is taken as if it had just been made, and what was
// found of a file checked ahead as if it had just been read.
Result<std::optional<PendingFile>, FileError> FolderCopy::takeOrCopy(std::size_t step, platform::SourceWalk& walk,
                                                                     const WalkStep& entry,
                                                                     const DestinationFolder& into,
                                                                     std::uint64_t& reported)
{
    using R = Result<std::optional<PendingFile>, FileError>;
    const std::string target = joinRelative(into.relativePath(), entry.name());
    if (aheadAt(step)) {
        if (auto ready = precopy_->take(entry.relativePath, entry.stamp)) {
            ready->targetPath = target;
            return R::success(std::move(*ready));
        }
    }
    auto source = walk.openFile();
    if (!source.ok()) {
        return R::failure(source.error());
    }
    const std::string recordPath = recordPathOf(plan_.steps[step].name, entry.relativePath);
    const auto ahead = aheadAt(step) ? precopy_->takeChecked(entry.relativePath, entry.stamp) : std::nullopt;
    if (copier_.keptUnchanged(step, entry.relativePath, recordPath, source.value(), entry.stamp,
                              {into, entry.name(), target}, reported, ahead ? &*ahead : nullptr)) {
        return R::success(std::nullopt);
    }
    auto copied = copier_.copyMakingRoom(source.value(), into, entry.name(), reported);
    return copied.ok() ? R::success(std::move(copied.value())) : R::failure(copied.error());
}

} // namespace rv
