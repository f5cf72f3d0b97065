#include "backup/backup_job.h"

#include "backup/run_record.h"
#include "common/printable_text.h"

namespace rv {

std::vector<RunNote> JobOutcome::notes() const
{
    std::vector<RunNote> all = result.notes;
    if (recordNote) {
        all.push_back(*recordNote);
    }
    return all;
}

BackupJob::~BackupJob()
{
    if (worker_.joinable()) {
        cancel();
        worker_.join();
    }
}

Result<std::monostate, StartRefusal> BackupJob::start(BackupPlan plan, Hooks hooks, RunTuning tuning)
{
    using R = Result<std::monostate, StartRefusal>;
    if (running_) {
        if (hooks.log) {
            hooks.log(LogLevel::Info, "a backup is already running; the second start is ignored");
        }
        return R::failure({StartRefusal::Why::AlreadyRunning});
    }
    hooks_ = std::move(hooks);
    log(LogLevel::Info, "backup folder " + shownPath(plan.backupFolder));
    running_ = true;
    cancel_ = false;
    tuning_ = std::move(tuning);
    {
        const std::lock_guard lock(mutex_);
        finished_ = false;
        freshProgress_.reset();
        outcome_ = {};
        failure_ = nullptr;
    }
    worker_ = std::jthread([this, planned = std::move(plan)] { work(planned); });
    return R::success({});
}

void BackupJob::work(const BackupPlan& plan)
{
    BackupCallbacks callbacks;
    callbacks.onProgress = [this](const BackupProgress& progress) {
        const std::lock_guard lock(mutex_);
        freshProgress_ = progress;
    };
    callbacks.onItemDone = [this](const ItemResult& item) {
        log(LogLevel::Info, describeItemForLog(item));
        if (hooks_.onItemDone) {
            hooks_.onItemDone(item);
        }
    };
    callbacks.onFileNotCopied = [this](const ItemResult& item, const FileFailure& failure) {
        log(LogLevel::Info, describeFileForLog(failure));
        if (hooks_.onFileNotCopied) {
            hooks_.onFileNotCopied(item, failure);
        }
    };
    JobOutcome outcome;
    std::exception_ptr failure;
    try {
        RunRecord record(plan.backupFolder);
        callbacks.onFileCopied = [&record](const RecordedFile& file) { record.add(file); };
        // What was not copied is listed too, so that a check after this run is never all clear.
        callbacks.onItemDone = [&record, itemDone = callbacks.onItemDone](const ItemResult& item) {
            if (item.outcome == ItemOutcome::Failed && item.fileFailureCount == 0) {
                record.addNotCopied(item, nullptr);
            }
            itemDone(item);
        };
        callbacks.onFileNotCopied = [&record, fileNotCopied = callbacks.onFileNotCopied](const ItemResult& item,
                                                                                         const FileFailure& failure) {
            record.addNotCopied(item, &failure);
            fileNotCopied(item, failure);
        };
        outcome.result = runBackup(plan, callbacks, cancel_, tuning_);
        outcome.message = describeBackupResult(outcome.result);
        outcome.recordNote = record.finish(outcome.result, outcome.message);
    } catch (...) {
        // Handed to the front end's thread by finish(): nothing may leave a thread.
        failure = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        outcome_ = std::move(outcome);
        failure_ = failure;
        finished_ = true;
    }
    finishedSignal_.notify_all();
    if (hooks_.onFinished) {
        hooks_.onFinished();
    }
}

void BackupJob::cancel()
{
    if (running_ && !cancel_.exchange(true)) {
        log(LogLevel::Info, "cancel requested");
    }
}

std::optional<ProgressText> BackupJob::takeProgress()
{
    std::optional<BackupProgress> progress;
    {
        const std::lock_guard lock(mutex_);
        progress.swap(freshProgress_);
    }
    if (!progress || cancel_) {
        return std::nullopt;
    }
    return describeProgress(*progress);
}

bool BackupJob::isFinished() const
{
    const std::lock_guard lock(mutex_);
    return finished_;
}

bool BackupJob::waitFor(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return finishedSignal_.wait_for(lock, timeout, [this] { return finished_; });
}

JobOutcome BackupJob::finish()
{
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = false;
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    JobOutcome outcome = std::exchange(outcome_, {});
    for (const RunNote& note : outcome.notes()) {
        log(LogLevel::Warning, printable(describeNote(note)));
    }
    log(LogLevel::Info, "result: " + outcome.message.text);
    return outcome;
}

void BackupJob::log(LogLevel level, const std::string& line) const
{
    if (hooks_.log) {
        hooks_.log(level, line);
    }
}

} // namespace rv
