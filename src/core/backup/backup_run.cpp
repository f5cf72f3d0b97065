#include "backup/backup_run.h"

#include "backup/copy_committer.h"
#include "backup/folder_precopy.h"
#include "backup/progress_meter.h"
#include "common/path_text.h"
#include "platform/destination_folder.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/paths.h"
#include "platform/source_tree.h"
#include "platform/temporary_names.h"

#include <algorithm>
#include <optional>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;
using platform::WalkStep;
using platform::WalkStepKind;

struct StepSurvey {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// What each step will copy, for the progress totals: a single file by its
// size, the data folder by a walk that counts and keeps no names. A cancel
// ends the count; a folder that cannot be walked is met again at its turn.
std::vector<StepSurvey> survey(const BackupPlan& plan, const std::atomic<bool>& cancel)
{
    std::vector<StepSurvey> surveys(plan.steps.size());
    for (std::size_t i = 0; i < plan.steps.size() && !cancel.load(); ++i) {
        const CopyStep& step = plan.steps[i];
        StepSurvey& survey = surveys[i];
        if (step.problem) {
            continue;
        }
        if (step.kind == StepKind::File) {
            auto info = platform::inspect(step.source);
            if (info.ok() && info.value().kind == platform::EntryKind::File) {
                survey.files = 1;
                survey.bytes = info.value().size;
            }
            continue;
        }
        auto walk = platform::SourceWalk::open(step.source);
        while (walk.ok() && !cancel.load()) {
            const WalkStep* entry = walk.value().next();
            if (entry == nullptr) {
                break;
            }
            if (entry->kind == WalkStepKind::File) {
                ++survey.files;
                survey.bytes += entry->stamp.size;
            }
        }
    }
    return surveys;
}

void fail(ItemResult& item, CopyReason reason, std::string detail)
{
    item.outcome = ItemOutcome::Failed;
    item.reason = reason;
    item.detail = std::move(detail);
}

// What the run knows of a step while it goes.
struct StepState {
    bool walked = false;         // the run has done all it will do for it
    std::uint64_t unsettled = 0; // handed to the committer, outcome not final yet
    bool placed = false;         // something of it was put in place
    bool cancelled = false;      // a cancel left files of the folder uncopied
    std::uint64_t filesMet = 0;  // files of the folder its walk reached
};

// A folder of the data folder's copy, on the way down the walk.
struct FolderFrame {
    std::optional<DestinationFolder> folder; // none when it could not be made
    std::optional<FileError> problem;        // why not: what is inside it is not copied either
    platform::FolderLook look;
};

class Runner {
public:
    Runner(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
           const RunTuning& tuning)
        : plan_(plan), callbacks_(callbacks), cancel_(cancel), tuning_(tuning), states_(plan.steps.size())
    {
        for (const CopyStep& step : plan.steps) {
            ItemResult item;
            item.name = step.name;
            item.source = step.source;
            item.destination = step.destination;
            result_.items.push_back(std::move(item));
        }
    }

    BackupResult run()
    {
        surveys_ = survey(plan_, cancel_);
        meter_.emplace(callbacks_.onProgress, plan_.steps.size(), total(&StepSurvey::files), total(&StepSurvey::bytes));
        std::optional<FileError> unusable = openDestination();
        std::uint64_t filesBefore = 0;
        std::uint64_t bytesBefore = 0;
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            const CopyStep& step = plan_.steps[i];
            ItemResult& item = result_.items[i];
            meter_->startItem(i + 1, step.name);
            if (precopy_ && i == precopyStep_ && cancel_.load()) {
                abandonPrecopy();
            }
            if (!unusable) {
                if (auto there = root_->stillChosen(); !there.ok()) {
                    unusable = there.error();
                }
            }
            if (cancel_.load()) {
                fail(item, CopyReason::Cancelled, {});
            } else if (unusable) {
                fail(item, reasonFor(unusable->kind), unusable->detail);
            } else if (step.problem) {
                fail(item, *step.problem, {});
            } else {
                step.kind == StepKind::File ? copyFile(i, item) : copyFolder(i, item);
            }
            if (precopy_ && i == precopyStep_) {
                noteNotRemoved(precopy_->discardRest());
                precopy_.reset();
            }
            states_[i].walked = true;
            filesBefore += surveys_[i].files;
            bytesBefore += surveys_[i].bytes;
            meter_->reachAtLeast(filesBefore, bytesBefore);
            report();
        }
        // What was completely copied is kept, also when the run was cancelled.
        if (committer_) {
            committer_->settleAll();
        }
        report();
        noteLooksNotKept();
        noteReadBacks();
        for (const ItemResult& item : result_.items) {
            result_.cancelled =
                result_.cancelled || (item.outcome == ItemOutcome::Failed && item.reason == CopyReason::Cancelled);
        }
        return std::move(result_);
    }

private:
    // The chosen folder, held open from here on, and the committer that puts
    // copies in place there; or why there is none.
    std::optional<FileError> openDestination()
    {
        auto root = DestinationFolder::openChosen(plan_.backupFolder);
        if (!root.ok()) {
            return root.error();
        }
        auto flusher = platform::WriteFlusher::open(plan_.backupFolder);
        if (!flusher.ok()) {
            return flusher.error();
        }
        root_.emplace(std::move(root.value()));
        // The committer keeps the flusher: a batch in flight on its thread
        // has it until the committer is gone, whatever ends the run.
        ReadBackCheck check = tuning_.readBack;
        check.cancel = &cancel_;
        committer_.emplace(
            *root_, std::move(flusher.value()), [this](SettledCopy& copy) { settle(copy); }, tuning_.batches,
            std::move(check));
        sweep(*root_);
        startPrecopy();
        return std::nullopt;
    }

    // The data folder, when it comes last, is partly copied while the files
    // before it are written. Its folder in the backup is made here, on the
    // run's own thread.
    void startPrecopy()
    {
        if (plan_.steps.empty()) {
            return;
        }
        const std::size_t last = plan_.steps.size() - 1;
        const CopyStep& step = plan_.steps[last];
        if (last == 0 || step.kind != StepKind::Folder || step.problem || surveys_[last].files == 0 || cancel_.load()) {
            return;
        }
        for (const CopyStep& earlier : plan_.steps) {
            if (earlier.overwrittenBy == last) {
                return; // an earlier item is written where the folder goes
            }
        }
        auto made = root_->makeFolder(step.name);
        if (!made.ok()) {
            return; // the run meets this at the folder's turn and says so
        }
        noteMade(made.value());
        madeDataFolderAhead_ = made.value().created;
        dataFolderAhead_.emplace(std::move(made.value().folder));
        precopyStep_ = last;
        precopy_.emplace(*root_, *dataFolderAhead_, step.source, cancel_, tuning_.batches);
    }

    // A run that never reached the folder leaves nothing of it: the copies
    // made ahead go, and the folder too if this run made it.
    void abandonPrecopy()
    {
        noteNotRemoved(precopy_->discardRest());
        precopy_.reset();
        if (madeDataFolderAhead_) {
            if (auto removed = root_->removeEmptyFolder(plan_.steps[precopyStep_].name); !removed.ok()) {
                noteNotRemoved({removed.error()});
            }
        }
        dataFolderAhead_.reset();
    }

    std::uint64_t total(std::uint64_t StepSurvey::*field) const
    {
        std::uint64_t sum = 0;
        for (const StepSurvey& survey : surveys_) {
            sum += survey.*field;
        }
        return sum;
    }

    void copyFile(std::size_t index, ItemResult& item)
    {
        const CopyStep& step = plan_.steps[index];
        auto source = platform::SourceFile::open(step.source);
        if (!source.ok()) {
            notCopied(step, item, source.error());
            return;
        }
        std::uint64_t reported = 0;
        auto pending = copyMakingRoom(source.value(), *root_, step.name, control(reported));
        if (!pending.ok()) {
            notCopied(step, item, pending.error());
            return;
        }
        handOver({std::move(pending.value()), index, {}}, reported);
    }

    // The data folder is walked as it is copied: a folder is made as the walk
    // enters it and takes its source's look once what it holds is in place.
    void copyFolder(std::size_t index, ItemResult& item)
    {
        const CopyStep& step = plan_.steps[index];
        auto walk = platform::SourceWalk::open(step.source);
        if (!walk.ok()) {
            if (precopy_ && index == precopyStep_) {
                abandonPrecopy();
            }
            notCopied(step, item, walk.error());
            return;
        }
        if (precopy_ && index == precopyStep_) {
            precopy_->stop();
        }
        std::vector<FolderFrame> frames;
        while (const WalkStep* entry = walk.value().next()) {
            if (cancel_.load()) {
                states_[index].cancelled = true;
                break;
            }
            switch (entry->kind) {
            case WalkStepKind::FolderStart:
                if (!enterFolder(index, item, *entry, frames)) {
                    return;
                }
                break;
            case WalkStepKind::FolderEnd:
                leaveFolder(index, frames);
                break;
            case WalkStepKind::NotCopied:
                fileNotCopied(index, entry->relativePath, entry->problem);
                break;
            case WalkStepKind::File:
                if (!copyEntry(index, walk.value(), *entry, frames.back())) {
                    states_[index].cancelled = true;
                }
                break;
            }
            if (states_[index].cancelled) {
                break;
            }
        }
        // A cancel leaves the walk part-way: the folders on the way still take their look.
        while (!frames.empty()) {
            leaveFolder(index, frames);
        }
    }

    // Makes the copy of the folder the walk has entered. The data folder's
    // own copy failing fails the item; a folder inside it is named, and so is
    // everything it holds, which has nowhere to go.
    bool enterFolder(std::size_t index, ItemResult& item, const WalkStep& entry, std::vector<FolderFrame>& frames)
    {
        FolderFrame frame{{}, {}, entry.look};
        if (!frames.empty() && !frames.back().folder) {
            frame.problem = frames.back().problem;
        } else {
            const DestinationFolder& parent = frames.empty() ? *root_ : *frames.back().folder;
            auto made = parent.makeFolder(frames.empty() ? std::string_view(plan_.steps[index].name) : entry.name());
            if (made.ok()) {
                noteMade(made.value());
                frame.folder.emplace(std::move(made.value().folder));
                sweep(*frame.folder);
            } else if (frames.empty()) {
                fail(item, reasonFor(made.error().kind), made.error().detail);
                return false;
            } else {
                frame.problem = made.error();
            }
        }
        if (frame.problem) {
            fileNotCopied(index, entry.relativePath, *frame.problem);
        }
        frames.push_back(std::move(frame));
        return true;
    }

    // The folder's look waits in the batch behind the copies put into it.
    void leaveFolder(std::size_t index, std::vector<FolderFrame>& frames)
    {
        FolderFrame& frame = frames.back();
        if (frame.folder) {
            ++states_[index].unsettled;
            committer_->add({FilledFolder{frame.folder->relativePath(), frame.look}, index, {}});
        }
        frames.pop_back();
    }

    // Copies one file of the walk into the folder it belongs in; false when
    // a cancel stopped it.
    bool copyEntry(std::size_t index, platform::SourceWalk& walk, const WalkStep& entry, const FolderFrame& into)
    {
        ++states_[index].filesMet;
        std::uint64_t reported = 0;
        if (!into.folder) {
            fileNotCopied(index, entry.relativePath, *into.problem);
            meter_->fileDone(reported, entry.stamp.size);
            return true;
        }
        auto pending = takeOrCopy(index, walk, entry, *into.folder, reported);
        if (pending.ok()) {
            handOver({std::move(pending.value()), index, entry.relativePath}, reported);
            return true;
        }
        meter_->fileDone(reported, entry.stamp.size);
        if (pending.error().kind == FileErrorKind::Cancelled) {
            return false;
        }
        fileNotCopied(index, entry.relativePath, pending.error());
        return true;
    }

    // A copy made ahead is taken as if it had just been made.
    Result<PendingFile, FileError> takeOrCopy(std::size_t index, platform::SourceWalk& walk, const WalkStep& entry,
                                              const DestinationFolder& into, std::uint64_t& reported)
    {
        if (precopy_ && index == precopyStep_) {
            if (auto ready = precopy_->take(entry.relativePath, entry.stamp)) {
                ready->targetPath = joinRelative(into.relativePath(), entry.name());
                return Result<PendingFile, FileError>::success(std::move(*ready));
            }
        }
        auto source = walk.openFile();
        if (!source.ok()) {
            return Result<PendingFile, FileError>::failure(source.error());
        }
        return copyMakingRoom(source.value(), into, entry.name(), control(reported));
    }

    // Reports a complete copy and hands it to the committer. A report that
    // throws takes the copy with it rather than leave it under its temporary name.
    void handOver(PendingCopy copy, std::uint64_t& reported)
    {
        const auto& file = std::get<PendingFile>(copy.entry);
        try {
            meter_->fileDone(reported, file.bytes);
        } catch (...) {
            static_cast<void>(platform::discard(*root_, file));
            throw;
        }
        if (file.lookNotKept) {
            lookNotKept(*file.lookNotKept);
        }
        ++states_[copy.step].unsettled;
        committer_->add(std::move(copy));
    }

    // A full disk may be full of this run's own copies waiting for their
    // batch beside the earlier copies they replace: once they are in place
    // and the copies made ahead are cleared, the file is tried once more.
    Result<PendingFile, FileError> copyMakingRoom(const platform::SourceFile& source, const DestinationFolder& into,
                                                  std::string_view name, const platform::CopyControl& control)
    {
        auto copied = copier_.copyToTemporary(source, into, name, control);
        if (copied.ok() || copied.error().kind != FileErrorKind::NoSpace) {
            return copied;
        }
        bool roomMade = committer_->hasPending();
        committer_->finish();
        if (precopy_) {
            precopy_->stop();
            roomMade = precopy_->holdsCopies() || roomMade;
            noteNotRemoved(precopy_->discardRest());
        }
        return roomMade ? copier_.copyToTemporary(source, into, name, control) : copied;
    }

    void fileNotCopied(std::size_t index, const std::string& relativePath, const FileError& error)
    {
        fileNotCopied(index, {relativePath, reasonFor(error.kind), error.detail});
    }

    // Named at once, so that a killed run has said it; the first few are kept
    // for the closing message.
    void fileNotCopied(std::size_t index, const FileFailure& failure)
    {
        ItemResult& item = result_.items[index];
        ++item.fileFailureCount;
        if (item.fileFailures.size() < kFileFailuresKept) {
            item.fileFailures.push_back(failure);
        }
        if (callbacks_.onFileNotCopied) {
            callbacks_.onFileNotCopied(item, failure);
        }
    }

    void settle(SettledCopy& settled)
    {
        const PendingCopy& copy = settled.copy;
        ItemResult& item = result_.items[copy.step];
        --states_[copy.step].unsettled;
        if (!settled.leftBehind.empty()) {
            result_.notes.push_back("temporary file left behind: " + settled.leftBehind);
        }
        if (std::holds_alternative<FilledFolder>(copy.entry)) {
            if (settled.failure) {
                lookNotKept({FileErrorKind::NotWritable, settled.failure->detail});
            }
        } else if (!settled.failure) {
            states_[copy.step].placed = true;
            item.filesCopied += copy.relativePath.empty() ? 0 : 1;
            countReadBack(settled.readBack);
            recordCopied(copy);
        } else if (copy.relativePath.empty()) {
            fail(item, settled.failure->reason, std::move(settled.failure->detail));
        } else {
            fileNotCopied(copy.step, {copy.relativePath, settled.failure->reason, settled.failure->detail});
        }
        report(); // the copy may have been the last an item waited for
    }

    // An item is done once the run is through with it and every copy of it
    // is settled; one that a later item of the same name may overwrite waits
    // for that item.
    bool isDone(std::size_t index) const
    {
        const StepState& state = states_[index];
        const auto later = plan_.steps[index].overwrittenBy;
        return state.walked && state.unsettled == 0 && (!later || isDone(*later));
    }

    // A copy that a later item of the same name may replace is left out: the
    // record never lists a file for what it no longer holds.
    void recordCopied(const PendingCopy& copy) const
    {
        if (!callbacks_.onFileCopied || plan_.steps[copy.step].overwrittenBy) {
            return;
        }
        const auto& file = std::get<PendingFile>(copy.entry);
        std::string path = plan_.steps[copy.step].name;
        if (!copy.relativePath.empty()) {
            path += '/' + copy.relativePath;
        }
        std::replace(path.begin(), path.end(), platform::kPathSeparator, '/');
        callbacks_.onFileCopied({std::move(path), file.bytes, platform::modifiedTimeText(file.modified), file.digest});
    }

    void countReadBack(ReadBackOutcome outcome)
    {
        if (outcome == ReadBackOutcome::NotRead) {
            ++notReadBack_;
        } else if (outcome == ReadBackOutcome::CacheDropped) {
            ++readAfterCacheDropped_;
        }
    }

    // How the copies were read back, where it was not from the device itself.
    void noteReadBacks()
    {
        result_.allVerified = notReadBack_ == 0;
        if (readAfterCacheDropped_ > 0) {
            result_.notes.push_back("read back after dropping the system's cache, as the file system refuses to "
                                    "read past it: " +
                                    std::to_string(readAfterCacheDropped_) + " copies");
        }
        if (notReadBack_ > 0 && tuning_.readBack.enabled) {
            result_.notes.push_back("put in place without being read back, as the run was cancelled: " +
                                    std::to_string(notReadBack_) + " copies");
        }
    }

    // Reports, in plan order, each item that is done.
    void report()
    {
        for (; nextReport_ < plan_.steps.size() && isDone(nextReport_); ++nextReport_) {
            conclude(nextReport_);
            if (callbacks_.onItemDone) {
                callbacks_.onItemDone(result_.items[nextReport_]);
            }
        }
    }

    // The outcome of a done item: a folder fails with its first failure or
    // the cancel, and an item whose copy a later item replaced says so.
    void conclude(std::size_t index)
    {
        ItemResult& item = result_.items[index];
        const StepState& state = states_[index];
        if (plan_.steps[index].kind == StepKind::Folder && item.outcome == ItemOutcome::Copied) {
            // Of a folder cut short the count made before the run is the better total.
            item.filesTotal = state.cancelled ? std::max(state.filesMet, surveys_[index].files) : state.filesMet;
            if (state.cancelled) {
                fail(item, CopyReason::Cancelled, {});
            } else if (item.fileFailureCount > 0) {
                fail(item, item.fileFailures.front().reason, item.fileFailures.front().detail);
            }
        }
        const auto later = plan_.steps[index].overwrittenBy;
        if (later && states_[*later].placed && item.outcome == ItemOutcome::Copied) {
            fail(item, CopyReason::Overwritten, result_.items[*later].source);
        }
    }

    static void notCopied(const CopyStep& step, ItemResult& item, const FileError& error)
    {
        if (error.kind == FileErrorKind::NotFound && step.optional) {
            item.outcome = ItemOutcome::NotPresent;
            item.reason = CopyReason::NotFound;
            item.detail = error.detail;
            return;
        }
        fail(item, reasonFor(error.kind), error.detail);
    }

    void noteMade(const platform::MadeFolder& made)
    {
        if (made.replacedLink) {
            result_.notes.push_back("a link where a folder of the backup goes was replaced by a folder: " +
                                    made.folder.path() + " (it pointed to " + *made.replacedLink + ")");
        }
        if (made.lookNotKept) {
            lookNotKept(*made.lookNotKept);
        }
    }

    // A destination that holds no permissions or owners (FAT) refuses them
    // for every file: said once, with how often.
    void lookNotKept(const FileError& error)
    {
        if (looksNotKept_++ == 0) {
            firstLookNotKept_ = error.detail;
        }
    }

    void noteLooksNotKept()
    {
        if (looksNotKept_ > 0) {
            result_.notes.push_back("permissions or owner not kept for " + std::to_string(looksNotKept_) +
                                    " copies (the destination may hold none): " + firstLookNotKept_);
        }
    }

    void noteNotRemoved(const std::vector<FileError>& errors)
    {
        for (const FileError& error : errors) {
            result_.notes.push_back("temporary file left behind: " + error.detail);
        }
    }

    // Unfinished copies of an earlier run that was cut off are removed where
    // this run writes, so that they do not pile up on the backup disk.
    void sweep(const DestinationFolder& folder)
    {
        const auto abandoned = platform::removeAbandonedCopies(folder);
        for (const std::string& path : abandoned.removed) {
            result_.notes.push_back("removed an unfinished copy left by an earlier run: " + path);
        }
        for (const FileError& error : abandoned.notRemoved) {
            result_.notes.push_back("could not clear unfinished copies of an earlier run: " + error.detail);
        }
    }

    platform::CopyControl control(std::uint64_t& reported)
    {
        return {&cancel_, [this, &reported](std::uint64_t bytes) { meter_->bytesOfFile(reported, bytes); }};
    }

    const BackupPlan& plan_;
    const BackupCallbacks& callbacks_;
    const std::atomic<bool>& cancel_;
    RunTuning tuning_;
    std::vector<StepSurvey> surveys_;
    std::optional<ProgressMeter> meter_;
    std::vector<StepState> states_;
    std::size_t nextReport_ = 0; // the first item not reported yet
    platform::FileCopier copier_;
    std::optional<DestinationFolder> root_; // the chosen folder, once it is open
    std::optional<DestinationFolder> dataFolderAhead_;
    bool madeDataFolderAhead_ = false;
    std::optional<FolderPrecopy> precopy_; // while the data folder is copied ahead
    std::size_t precopyStep_ = 0;
    std::optional<CopyCommitter> committer_; // once the destination is open
    std::uint64_t looksNotKept_ = 0;
    std::uint64_t notReadBack_ = 0;
    std::uint64_t readAfterCacheDropped_ = 0;
    std::string firstLookNotKept_;
    BackupResult result_;
};

} // namespace

BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       const RunTuning& tuning)
{
    return Runner(plan, callbacks, cancel, tuning).run();
}

} // namespace rv
