#include "backup/backup_run.h"

#include "backup/backup_folder.h"
#include "backup/progress_meter.h"
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

// Copies are flushed in batches: a flush per file costs a journal commit
// each (measured: a backup of 20,000 files took twice as long as cp + sync),
// while the batch bounds the extra room the temporary copies take beside the
// earlier backup.
constexpr std::size_t kBatchFiles = 8192;
constexpr std::uint64_t kBatchBytes = std::uint64_t{256} << 20;

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

std::string joinPath(const std::string& folder, const std::string& relative)
{
    if (!folder.empty() && isPathSeparator(folder.back())) {
        return folder + relative;
    }
    return folder + platform::kPathSeparator + relative;
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
           platform::CopyMethod method)
        : plan_(plan), callbacks_(callbacks), cancel_(cancel), surveys_(survey(plan)),
          meter_(callbacks.onProgress, plan.steps.size(), total(&StepSurvey::files), total(&StepSurvey::bytes)),
          copier_(method), committed_(plan.steps.size(), false), folderCancelled_(plan.steps.size(), false)
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
            sweep(plan_.backupFolder);
        }
        std::uint64_t filesBefore = 0;
        std::uint64_t bytesBefore = 0;
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            const CopyStep& step = plan_.steps[i];
            ItemResult& item = result_.items[i];
            meter_.startItem(i + 1, step.name);
            if (cancel_.load()) {
                fail(item, CopyReason::Cancelled, {});
            } else if (!flusher.ok()) {
                fail(item, reasonFor(flusher.error().kind), flusher.error().detail);
            } else if (step.problem) {
                fail(item, *step.problem, {});
            } else {
                flusher_ = &flusher.value();
                step.kind == StepKind::File ? copyFile(i, item) : copyFolder(i, item);
            }
            filesBefore += surveys_[i].files;
            bytesBefore += surveys_[i].bytes;
            meter_.reachAtLeast(filesBefore, bytesBefore);
        }
        // What was completely copied is kept, also when the run was cancelled.
        commitPending();
        settleFolders();
        markOverwritten();
        if (flusher.ok()) {
            finalFlush(flusher.value());
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
    // A complete copy under its temporary name, waiting for the flush of its batch.
    struct PendingCopy {
        PendingFile file;
        std::size_t step;
        std::string relativePath; // inside the data folder; empty for a single file
    };

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
        auto pending = copier_.copyToTemporary(step.source, step.destination, control(reported));
        if (!pending.ok()) {
            notCopied(step, item, pending.error());
            return;
        }
        meter_.fileDone(reported, pending.value().bytes);
        addPending({std::move(pending.value()), index, {}});
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
        for (const TreeEntry& entry : survey.listing.entries) {
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
            auto pending =
                copier_.copyToTemporary(joinPath(step.source, entry.relativePath), target, control(reported));
            meter_.fileDone(reported, pending.ok() ? pending.value().bytes : entry.size);
            if (!pending.ok() && pending.error().kind == FileErrorKind::Cancelled) {
                folderCancelled_[index] = true;
                return;
            }
            if (!pending.ok()) {
                item.fileFailures.push_back(
                    {entry.relativePath, reasonFor(pending.error().kind), pending.error().detail});
                continue;
            }
            addPending({std::move(pending.value()), index, entry.relativePath});
        }
    }

    void addPending(PendingCopy copy)
    {
        pendingBytes_ += copy.file.bytes;
        pending_.push_back(std::move(copy));
        if (pending_.size() >= kBatchFiles || pendingBytes_ >= kBatchBytes) {
            commitPending();
        }
    }

    // One flush for the whole batch, then each copy is renamed into place:
    // none replaces its target before its data is on the device.
    void commitPending()
    {
        if (pending_.empty()) {
            return;
        }
        std::vector<PendingFile> files;
        files.reserve(pending_.size());
        for (const PendingCopy& copy : pending_) {
            files.push_back(copy.file);
        }
        auto flushed = flusher_->flush(files);
        for (const PendingCopy& copy : pending_) {
            ItemResult& item = result_.items[copy.step];
            if (!flushed.ok()) {
                discardPending(copy.file);
                notCommitted(item, copy, CopyReason::NotFlushed, flushed.error().detail);
            } else if (auto committed = platform::commit(copy.file); !committed.ok()) {
                discardPending(copy.file);
                notCommitted(item, copy, reasonFor(committed.error().kind), committed.error().detail);
            } else {
                committed_[copy.step] = true;
                item.filesCopied += copy.relativePath.empty() ? 0 : 1;
            }
        }
        pending_.clear();
        pendingBytes_ = 0;
    }

    static void notCommitted(ItemResult& item, const PendingCopy& copy, CopyReason reason, std::string detail)
    {
        if (copy.relativePath.empty()) {
            fail(item, reason, std::move(detail));
        } else {
            item.fileFailures.push_back({copy.relativePath, reason, std::move(detail)});
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
    void finalFlush(platform::WriteFlusher& flusher)
    {
        auto flushed = flusher.flush({});
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

    void discardPending(const PendingFile& pending)
    {
        if (auto removed = platform::discard(pending); !removed.ok()) {
            result_.notes.push_back("temporary file left behind: " + removed.error().detail);
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
    platform::FileCopier copier_;
    platform::WriteFlusher* flusher_ = nullptr;
    std::vector<PendingCopy> pending_;
    std::uint64_t pendingBytes_ = 0;
    std::vector<bool> committed_;       // per step: something of it was renamed into place
    std::vector<bool> folderCancelled_; // per step: a cancel left files of the folder uncopied
    BackupResult result_;
};

} // namespace

BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       platform::CopyMethod method)
{
    return Runner(plan, callbacks, cancel, method).run();
}

} // namespace rv
