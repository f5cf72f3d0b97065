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

BackupJob::~BackupJob() { cancel(); }

Result<std::monostate, StartRefusal> BackupJob::start(BackupPlan plan, Hooks hooks, RunTuning tuning)
{
    using R = Result<std::monostate, StartRefusal>;
    if (run_.isRunning()) {
        if (hooks.log) {
            hooks.log(LogLevel::Info, "a backup is already running; the second start is ignored");
        }
        return R::failure({StartRefusal::Why::AlreadyRunning});
    }
    hooks_ = std::move(hooks);
    log(LogLevel::Info, "backup folder " + shownPath(plan.backupFolder));
    tuning_ = std::move(tuning);
    run_.start([this, planned = std::move(plan)] { return work(planned); }, hooks_.onFinished);
    return R::success({});
}

JobOutcome BackupJob::work(const BackupPlan& plan)
{
    BackupCallbacks callbacks;
    callbacks.onProgress = [this](const BackupProgress& progress) { run_.report(progress); };
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
    outcome.result = runBackup(plan, callbacks, run_.cancelFlag(), tuning_);
    outcome.message = describeBackupResult(outcome.result);
    outcome.recordNote = record.finish(outcome.result, outcome.message);
    return outcome;
}

void BackupJob::cancel()
{
    if (run_.cancel()) {
        log(LogLevel::Info, "cancel requested");
    }
}

std::optional<ProgressText> BackupJob::takeProgress()
{
    const std::optional<BackupProgress> progress = run_.takeProgress();
    if (!progress) {
        return std::nullopt;
    }
    return describeProgress(*progress);
}

JobOutcome BackupJob::finish()
{
    JobOutcome outcome = run_.finish();
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
