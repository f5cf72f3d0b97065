#include "backup/backup_run.h"

#include "backup/copy_committer.h"
#include "backup/folder_precopy.h"
#include "backup/progress_meter.h"
#include "common/path_text.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/temporary_names.h"

#include <algorithm>
#include <optional>

namespace rv {
namespace {

using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;
using platform::TreeEntry;

struct StepSurvey {
    std::optional<FileError> folderError; // the data folder could not be listed
    platform::TreeListing listing;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

std::vector<StepSurvey> survey(const BackupPlan& plan)
{
    std::vector<StepSurvey> surveys(plan.steps.size());
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
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
        auto listing = platform::listTree(step.source);
        if (!listing.ok()) {
            survey.folderError = listing.error();
            continue;
        }
        survey.listing = std::move(listing.value());
        for (const auto& entry : survey.listing.entries) {
            survey.files += entry.isFolder ? 0 : 1;
            survey.bytes += entry.size;
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

class Runner {
public:
    Runner(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
           const RunTuning& tuning)
        : plan_(plan), callbacks_(callbacks), cancel_(cancel), surveys_(survey(plan)),
          meter_(callbacks.onProgress, plan.steps.size(), total(&StepSurvey::files), total(&StepSurvey::bytes)),
          tuning_(tuning), committed_(plan.steps.size(), false), folderCancelled_(plan.steps.size(), false)
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
        auto flusher = platform::WriteFlusher::open(plan_.backupFolder);
        if (flusher.ok()) {
            // The committer keeps the flusher: a batch in flight on its
            // thread has it until the committer is gone, whatever ends the run.
            committer_.emplace(
                std::move(flusher.value()), [this](SettledCopy& copy) { settle(copy); }, tuning_.batches);
            sweep(plan_.backupFolder);
            startPrecopy();
        }
        std::uint64_t filesBefore = 0;
        std::uint64_t bytesBefore = 0;
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            const CopyStep& step = plan_.steps[i];
            ItemResult& item = result_.items[i];
            meter_.startItem(i + 1, step.name);
            if (precopy_ && i == precopyStep_ && cancel_.load()) {
                noteNotRemoved(precopy_->abandon());
            }
            if (cancel_.load()) {
                fail(item, CopyReason::Cancelled, {});
            } else if (!committer_) {
                fail(item, reasonFor(flusher.error().kind), flusher.error().detail);
            } else if (step.problem) {
                fail(item, *step.problem, {});
            } else {
                step.kind == StepKind::File ? copyFile(i, item) : copyFolder(i, item);
            }
            if (precopy_ && i == precopyStep_) {
                noteNotRemoved(precopy_->discardRest());
                precopy_.reset();
            }
            filesBefore += surveys_[i].files;
            bytesBefore += surveys_[i].bytes;
            meter_.reachAtLeast(filesBefore, bytesBefore);
        }
        // What was completely copied is kept, also when the run was cancelled.
        if (committer_) {
            committer_->finish();
        }
        settleFolders();
        markOverwritten();
        if (committer_) {
            finalFlush();
        }
        for (const ItemResult& item : result_.items) {
            result_.cancelled =
                result_.cancelled || (item.outcome == ItemOutcome::Failed && item.reason == CopyReason::Cancelled);
            if (callbacks_.onItemDone) {
                callbacks_.onItemDone(item);
            }
        }
        return std::move(result_);
    }

private:
    // The data folder, when it comes last, is partly copied while the files
    // before it are written.
    void startPrecopy()
    {
        if (plan_.steps.empty()) {
            return;
        }
        const std::size_t last = plan_.steps.size() - 1;
        const CopyStep& step = plan_.steps[last];
        if (last == 0 || step.kind != StepKind::Folder || step.problem || surveys_[last].folderError) {
            return;
        }
        for (const CopyStep& earlier : plan_.steps) {
            if (earlier.overwrittenBy == last) {
                return; // an earlier item is written where the folder goes
            }
        }
        precopyStep_ = last;
        precopy_.emplace(step, surveys_[last].listing, cancel_, tuning_.batches);
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
        std::uint64_t reported = 0;
        auto pending = copyMakingRoom(step.source, step.destination, control(reported));
        if (!pending.ok()) {
            notCopied(step, item, pending.error());
            return;
        }
        handOver({std::move(pending.value()), index, {}}, reported);
    }

    void copyFolder(std::size_t index, ItemResult& item)
    {
        const CopyStep& step = plan_.steps[index];
        const StepSurvey& survey = surveys_[index];
        if (survey.folderError) {
            notCopied(step, item, *survey.folderError);
            return;
        }
        item.filesTotal = survey.files;
        if (auto made = platform::ensureFolder(step.destination); !made.ok()) {
            fail(item, reasonFor(made.error().kind), made.error().detail);
            return;
        }
        sweep(step.destination);
        for (const auto& problem : survey.listing.problems) {
            item.fileFailures.push_back({problem.relativePath, reasonFor(problem.error.kind), problem.error.detail});
        }
        const auto& entries = survey.listing.entries;
        if (precopy_ && index == precopyStep_) {
            precopy_->stop();
        }
        for (std::size_t entryIndex = 0; entryIndex < entries.size(); ++entryIndex) {
            const TreeEntry& entry = entries[entryIndex];
            if (cancel_.load()) {
                folderCancelled_[index] = true;
                return;
            }
            const std::string target = joinPath(step.destination, entry.relativePath);
            if (entry.isFolder) {
                if (auto made = platform::ensureFolder(target); !made.ok()) {
                    item.fileFailures.push_back(
                        {entry.relativePath, reasonFor(made.error().kind), made.error().detail});
                } else {
                    sweep(target);
                }
                continue;
            }
            std::uint64_t reported = 0;
            auto pending = copyEntry(index, entryIndex, target, control(reported));
            if (pending.ok()) {
                handOver({std::move(pending.value()), index, entry.relativePath}, reported);
                continue;
            }
            meter_.fileDone(reported, entry.size);
            if (pending.error().kind == FileErrorKind::Cancelled) {
                folderCancelled_[index] = true;
                return;
            }
            item.fileFailures.push_back({entry.relativePath, reasonFor(pending.error().kind), pending.error().detail});
        }
    }

    // Reports a complete copy and hands it to the committer. A report that
    // throws takes the copy with it rather than leave it under its temporary name.
    void handOver(PendingCopy copy, std::uint64_t& reported)
    {
        try {
            meter_.fileDone(reported, copy.file.bytes);
        } catch (...) {
            static_cast<void>(platform::discard(copy.file));
            throw;
        }
        committer_->add(std::move(copy));
    }

    // A copy made ahead is taken as if it had just been made.
    Result<PendingFile, FileError> copyEntry(std::size_t step, std::size_t entry, const std::string& target,
                                             const platform::CopyControl& control)
    {
        if (precopy_ && step == precopyStep_) {
            if (auto ready = precopy_->take(entry)) {
                ready->targetPath = target;
                return Result<PendingFile, FileError>::success(std::move(*ready));
            }
        }
        const TreeEntry& listed = surveys_[step].listing.entries[entry];
        return copyMakingRoom(joinPath(plan_.steps[step].source, listed.relativePath), target, control);
    }

    // A full disk may be full of this run's own copies waiting for their
    // batch beside the earlier copies they replace: once they are in place
    // and the copies made ahead are cleared, the file is tried once more.
    Result<PendingFile, FileError> copyMakingRoom(const std::string& source, const std::string& target,
                                                  const platform::CopyControl& control)
    {
        auto copied = copier_.copyToTemporary(source, target, control);
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
        return roomMade ? copier_.copyToTemporary(source, target, control) : copied;
    }

    void noteNotRemoved(const std::vector<FileError>& errors)
    {
        for (const FileError& error : errors) {
            result_.notes.push_back("temporary file left behind: " + error.detail);
        }
    }

    void settle(SettledCopy& settled)
    {
        const PendingCopy& copy = settled.copy;
        ItemResult& item = result_.items[copy.step];
        if (!settled.leftBehind.empty()) {
            result_.notes.push_back("temporary file left behind: " + settled.leftBehind);
        }
        if (!settled.failure) {
            committed_[copy.step] = true;
            item.filesCopied += copy.relativePath.empty() ? 0 : 1;
        } else if (copy.relativePath.empty()) {
            fail(item, settled.failure->reason, std::move(settled.failure->detail));
        } else {
            item.fileFailures.push_back(
                {copy.relativePath, settled.failure->reason, std::move(settled.failure->detail)});
        }
    }

    // A folder's outcome is known once its last batch is in place.
    void settleFolders()
    {
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            ItemResult& item = result_.items[i];
            if (plan_.steps[i].kind != StepKind::Folder || item.outcome != ItemOutcome::Copied) {
                continue;
            }
            if (folderCancelled_[i]) {
                fail(item, CopyReason::Cancelled, {});
            } else if (!item.fileFailures.empty()) {
                fail(item, item.fileFailures.front().reason, item.fileFailures.front().detail);
            }
        }
    }

    // A later item written to the same name replaced this one's copy.
    void markOverwritten()
    {
        for (std::size_t i = plan_.steps.size(); i-- > 0;) {
            const auto later = plan_.steps[i].overwrittenBy;
            ItemResult& item = result_.items[i];
            if (later && committed_[*later] && item.outcome == ItemOutcome::Copied) {
                fail(item, CopyReason::Overwritten, result_.items[*later].source);
            }
        }
    }

    // Renames and new folders reach the device only now; if they may not
    // have, nothing written in this run can be called copied.
    void finalFlush()
    {
        auto flushed = committer_->flushCommitted();
        if (flushed.ok()) {
            return;
        }
        for (std::size_t i = 0; i < result_.items.size(); ++i) {
            if (committed_[i]) {
                fail(result_.items[i], CopyReason::NotFlushed, flushed.error().detail);
            }
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

    // Unfinished copies of an earlier run that was cut off are removed where
    // this run writes, so that they do not pile up on the backup disk.
    void sweep(const std::string& folder)
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
        return {&cancel_, [this, &reported](std::uint64_t bytes) { meter_.bytesOfFile(reported, bytes); }};
    }

    const BackupPlan& plan_;
    const BackupCallbacks& callbacks_;
    const std::atomic<bool>& cancel_;
    std::vector<StepSurvey> surveys_;
    ProgressMeter meter_;
    RunTuning tuning_;
    platform::FileCopier copier_;
    std::optional<FolderPrecopy> precopy_; // while the data folder is copied ahead
    std::size_t precopyStep_ = 0;
    std::optional<CopyCommitter> committer_; // once the destination is open
    std::vector<bool> committed_;            // per step: something of it was renamed into place
    std::vector<bool> folderCancelled_;      // per step: a cancel left files of the folder uncopied
    BackupResult result_;
};

} // namespace

BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       const RunTuning& tuning)
{
    return Runner(plan, callbacks, cancel, tuning).run();
}

} // namespace rv
