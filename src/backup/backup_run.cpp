#include "backup/backup_run.h"

#include "backup/backup_folder.h"
#include "platform/file_system.h"
#include "platform/paths.h"

#include <optional>

namespace rv {
namespace {

using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;

// Small files of the data folder are flushed together: one flush per batch
// instead of one per file, and still none is renamed into place before its
// data is on the device.
constexpr std::size_t kBatchFiles = 512;
constexpr std::uint64_t kBatchBytes = 64ull * 1024 * 1024;

struct StepSurvey {
    std::optional<FileError> folderError; // the data folder could not be listed
    platform::TreeListing listing;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

std::string joinPath(const std::string& folder, const std::string& relative)
{
    if (!folder.empty() && isPathSeparator(folder.back())) {
        return folder + relative;
    }
    return folder + platform::kPathSeparator + relative;
}

class Runner {
public:
    Runner(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
           platform::CopyMethod method)
        : plan_(plan), callbacks_(callbacks), cancel_(cancel), copier_(method), committed_(plan.steps.size(), false)
    {
    }

    BackupResult run()
    {
        survey();
        auto flusher = platform::WriteFlusher::open(plan_.backupFolder);
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            const CopyStep& step = plan_.steps[i];
            ItemResult item;
            item.name = step.name;
            item.source = step.source;
            item.destination = step.destination;
            progress_.item = step.name;
            progress_.itemNumber = i + 1;
            report();
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
            advanceTo(i + 1);
            if (callbacks_.onItemDone) {
                callbacks_.onItemDone(item);
            }
            result_.items.push_back(std::move(item));
        }
        markOverwritten();
        if (flusher.ok()) {
            finalFlush(flusher.value());
        }
        for (const ItemResult& item : result_.items) {
            result_.cancelled =
                result_.cancelled || (item.outcome == ItemOutcome::Failed && item.reason == CopyReason::Cancelled);
        }
        return std::move(result_);
    }

private:
    void survey()
    {
        surveys_.resize(plan_.steps.size());
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            const CopyStep& step = plan_.steps[i];
            StepSurvey& survey = surveys_[i];
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
        for (const StepSurvey& survey : surveys_) {
            progress_.filesTotal += survey.files;
            progress_.bytesTotal += survey.bytes;
        }
        progress_.itemCount = plan_.steps.size();
    }

    void copyFile(std::size_t index, ItemResult& item)
    {
        const CopyStep& step = plan_.steps[index];
        auto pending = copier_.copyToTemporary(step.source, step.destination, control());
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
        fileDone(pending.value().bytes);
    }

    void copyFolder(std::size_t index, ItemResult& item)
    {
        const CopyStep& step = plan_.steps[index];
        StepSurvey& survey = surveys_[index];
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
        Batch batch;
        bool cancelled = false;
        for (const auto& entry : survey.listing.entries) {
            if (cancel_.load()) {
                cancelled = true;
                break;
            }
            const std::string target = joinPath(step.destination, entry.relativePath);
            if (entry.isFolder) {
                if (auto made = platform::ensureFolder(target); !made.ok()) {
                    item.fileFailures.push_back(
                        {entry.relativePath, reasonFor(made.error().kind), made.error().detail});
                }
                continue;
            }
            auto pending = copier_.copyToTemporary(joinPath(step.source, entry.relativePath), target, control());
            if (!pending.ok() && pending.error().kind == FileErrorKind::Cancelled) {
                cancelled = true;
                break;
            }
            if (!pending.ok()) {
                item.fileFailures.push_back(
                    {entry.relativePath, reasonFor(pending.error().kind), pending.error().detail});
                fileDone(entry.size);
                continue;
            }
            fileDone(pending.value().bytes);
            batch.bytes += pending.value().bytes;
            batch.files.push_back(std::move(pending.value()));
            batch.relativePaths.push_back(entry.relativePath);
            if (batch.files.size() >= kBatchFiles || batch.bytes >= kBatchBytes) {
                commitBatch(index, batch, item);
            }
        }
        // What was completely copied before a cancel is kept.
        commitBatch(index, batch, item);
        if (cancelled) {
            fail(item, CopyReason::Cancelled, {});
        } else if (!item.fileFailures.empty()) {
            fail(item, item.fileFailures.front().reason, item.fileFailures.front().detail);
        }
    }

    struct Batch {
        std::vector<PendingFile> files;
        std::vector<std::string> relativePaths;
        std::uint64_t bytes = 0;
    };

    void commitBatch(std::size_t index, Batch& batch, ItemResult& item)
    {
        auto flushed = flusher_->flush(batch.files);
        for (std::size_t i = 0; i < batch.files.size(); ++i) {
            if (!flushed.ok()) {
                discardPending(batch.files[i]);
                item.fileFailures.push_back({batch.relativePaths[i], CopyReason::NotFlushed, flushed.error().detail});
            } else if (auto committed = platform::commit(batch.files[i]); !committed.ok()) {
                discardPending(batch.files[i]);
                item.fileFailures.push_back(
                    {batch.relativePaths[i], reasonFor(committed.error().kind), committed.error().detail});
            } else {
                ++item.filesCopied;
                committed_[index] = true;
            }
        }
        batch = Batch{};
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

    void notCopied(const CopyStep& step, ItemResult& item, const FileError& error)
    {
        if (error.kind == FileErrorKind::NotFound && step.optional) {
            item.outcome = ItemOutcome::NotPresent;
            item.reason = CopyReason::NotFound;
            item.detail = error.detail;
            return;
        }
        fail(item, reasonFor(error.kind), error.detail);
    }

    static void fail(ItemResult& item, CopyReason reason, std::string detail)
    {
        item.outcome = ItemOutcome::Failed;
        item.reason = reason;
        item.detail = std::move(detail);
    }

    void discardPending(const PendingFile& pending)
    {
        if (auto removed = platform::discard(pending); !removed.ok()) {
            result_.notes.push_back("temporary file left behind: " + removed.error().detail);
        }
    }

    platform::CopyControl control()
    {
        const std::uint64_t base = bytesCompleted_;
        return {&cancel_, [this, base](std::uint64_t bytes) {
                    progress_.bytesDone = base + bytes;
                    report();
                }};
    }

    void fileDone(std::uint64_t bytes)
    {
        ++progress_.filesDone;
        bytesCompleted_ += bytes;
        progress_.bytesDone = bytesCompleted_;
        report();
    }

    // Whatever a step did not get to counts as done once it is over, so that
    // the totals are reached at the end.
    void advanceTo(std::size_t stepsOver)
    {
        std::uint64_t files = 0;
        std::uint64_t bytes = 0;
        for (std::size_t i = 0; i < stepsOver; ++i) {
            files += surveys_[i].files;
            bytes += surveys_[i].bytes;
        }
        progress_.filesDone = std::max(progress_.filesDone, files);
        bytesCompleted_ = std::max(bytesCompleted_, bytes);
        progress_.bytesDone = bytesCompleted_;
    }

    void report()
    {
        if (callbacks_.onProgress) {
            callbacks_.onProgress(progress_);
        }
    }

    const BackupPlan& plan_;
    const BackupCallbacks& callbacks_;
    const std::atomic<bool>& cancel_;
    platform::FileCopier copier_;
    platform::WriteFlusher* flusher_ = nullptr;
    std::vector<StepSurvey> surveys_;
    std::vector<bool> committed_; // per step: something of it was renamed into place
    BackupProgress progress_;
    std::uint64_t bytesCompleted_ = 0;
    BackupResult result_;
};

} // namespace

BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       platform::CopyMethod method)
{
    return Runner(plan, callbacks, cancel, method).run();
}

} // namespace rv
