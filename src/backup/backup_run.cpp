#include "backup/backup_run.h"

#include "backup/backup_folder.h"
#include "backup/progress_meter.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <algorithm>
#include <optional>
#include <span>

namespace rv {
namespace {

using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;
using platform::TreeEntry;

// Small files of the data folder are flushed together: one flush per batch
// instead of one per file, and still none is renamed into place before its
// data is on the device.
constexpr std::size_t kBatchFiles = 512;
constexpr std::uint64_t kBatchBytes = std::uint64_t{64} << 20;

using CopyOutcome = std::optional<Result<PendingFile, FileError>>; // empty: not tried, cancelled first

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
          copier_(method), committed_(plan.steps.size(), false)
    {
    }

    BackupResult run()
    {
        auto flusher = platform::WriteFlusher::open(plan_.backupFolder);
        std::uint64_t filesBefore = 0;
        std::uint64_t bytesBefore = 0;
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            const CopyStep& step = plan_.steps[i];
            ItemResult item;
            item.name = step.name;
            item.source = step.source;
            item.destination = step.destination;
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
            if (callbacks_.onItemDone) {
                callbacks_.onItemDone(item);
            }
            result_.items.push_back(std::move(item));
        }
        markOverwritten();
        if (flusher.ok()) {
            finalFlush(flusher.value());
        }
        result_.cancelled = std::any_of(result_.items.begin(), result_.items.end(), [](const ItemResult& item) {
            return item.outcome == ItemOutcome::Failed && item.reason == CopyReason::Cancelled;
        });
        return std::move(result_);
    }

private:
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
        auto flushed = flusher_->flush({&pending.value(), 1});
        if (!flushed.ok()) {
            discardPending(pending.value());
            fail(item, CopyReason::NotFlushed, flushed.error().detail);
        } else if (cancel_.load()) {
            discardPending(pending.value());
            fail(item, CopyReason::Cancelled, {});
        } else if (auto committed = platform::commit(pending.value()); !committed.ok()) {
            discardPending(pending.value());
            fail(item, reasonFor(committed.error().kind), committed.error().detail);
        } else {
            committed_[index] = true;
        }
        meter_.fileDone(reported, pending.value().bytes);
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
        for (const auto& problem : survey.listing.problems) {
            item.fileFailures.push_back({problem.relativePath, reasonFor(problem.error.kind), problem.error.detail});
        }
        // Folders first, so that the files can then be copied in any order.
        std::vector<const TreeEntry*> files;
        for (const TreeEntry& entry : survey.listing.entries) {
            if (!entry.isFolder) {
                files.push_back(&entry);
            } else if (auto made = platform::ensureFolder(joinPath(step.destination, entry.relativePath)); !made.ok()) {
                item.fileFailures.push_back({entry.relativePath, reasonFor(made.error().kind), made.error().detail});
            }
        }
        bool cancelled = false;
        for (std::size_t start = 0; start < files.size();) {
            std::size_t end = start;
            for (std::uint64_t bytes = 0; end < files.size() && end - start < kBatchFiles && bytes < kBatchBytes;) {
                bytes += files[end++]->size;
            }
            const std::span<const TreeEntry* const> batch(files.data() + start, end - start);
            cancelled = commitBatch(index, batch, copyBatch(step, batch), item) || cancelled;
            start = end;
        }
        if (cancelled) {
            fail(item, CopyReason::Cancelled, {});
        } else if (!item.fileFailures.empty()) {
            fail(item, item.fileFailures.front().reason, item.fileFailures.front().detail);
        }
    }

    // One file after another: copying several at once was measured and did
    // not pay (bench/backup), the time goes to the file system, not to us.
    std::vector<CopyOutcome> copyBatch(const CopyStep& step, std::span<const TreeEntry* const> batch)
    {
        std::vector<CopyOutcome> outcomes(batch.size());
        for (std::size_t i = 0; i < batch.size() && !cancel_.load(); ++i) {
            const std::string& relative = batch[i]->relativePath;
            std::uint64_t reported = 0;
            outcomes[i] = copier_.copyToTemporary(joinPath(step.source, relative), joinPath(step.destination, relative),
                                                  control(reported));
            meter_.fileDone(reported, outcomes[i]->ok() ? outcomes[i]->value().bytes : batch[i]->size);
        }
        return outcomes;
    }

    // Flushes and puts in place what was copied; true when a cancel left
    // files of the batch uncopied.
    bool commitBatch(std::size_t index, std::span<const TreeEntry* const> batch, std::vector<CopyOutcome> outcomes,
                     ItemResult& item)
    {
        bool cancelled = false;
        std::vector<PendingFile> pending;
        std::vector<const std::string*> relativePaths;
        for (std::size_t i = 0; i < batch.size(); ++i) {
            if (!outcomes[i] || (!outcomes[i]->ok() && outcomes[i]->error().kind == FileErrorKind::Cancelled)) {
                cancelled = true;
            } else if (!outcomes[i]->ok()) {
                const FileError& error = outcomes[i]->error();
                item.fileFailures.push_back({batch[i]->relativePath, reasonFor(error.kind), error.detail});
            } else {
                pending.push_back(std::move(outcomes[i]->value()));
                relativePaths.push_back(&batch[i]->relativePath);
            }
        }
        // What was completely copied before a cancel is kept.
        auto flushed = pending.empty() ? Result<platform::Done, FileError>::success({}) : flusher_->flush(pending);
        for (std::size_t i = 0; i < pending.size(); ++i) {
            if (!flushed.ok()) {
                discardPending(pending[i]);
                item.fileFailures.push_back({*relativePaths[i], CopyReason::NotFlushed, flushed.error().detail});
            } else if (auto committed = platform::commit(pending[i]); !committed.ok()) {
                discardPending(pending[i]);
                item.fileFailures.push_back(
                    {*relativePaths[i], reasonFor(committed.error().kind), committed.error().detail});
            } else {
                ++item.filesCopied;
                committed_[index] = true;
            }
        }
        return cancelled;
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
    std::vector<bool> committed_; // per step: something of it was renamed into place
    BackupResult result_;
};

} // namespace

BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       platform::CopyMethod method)
{
    return Runner(plan, callbacks, cancel, method).run();
}

} // namespace rv
