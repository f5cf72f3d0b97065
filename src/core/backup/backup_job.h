#pragma once

#include "backup/backup_message.h"
#include "backup/backup_plan.h"
#include "backup/backup_run.h"
#include "backup/progress_text.h"
#include "backup/run_log.h"
#include "common/worker_run.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rv {

// Why a run did not start: the checks before a run (the plan's refusal
// among them) belong to the backup flow, so only a second start is left.
struct StartRefusal {
    enum class Why {
        AlreadyRunning, // a second start while a run goes on: nothing to show
    };
    Why why;
};

// How a finished run ended: every item's outcome, the closing message, and
// what kept the record from being written, if anything did.
struct JobOutcome {
    BackupResult result;
    ResultMessage message;
    std::optional<RunNote> recordNote;

    // The run's notes, then the record's.
    std::vector<RunNote> notes() const;
};

// One backup run as every front end carries it out: the copying of a plan on
// a worker thread, a progress snapshot the front end takes at its own pace,
// cancel, the log lines, and the closing message. One run at a time: a start
// during a run is refused, however it was asked for. The worker is joined on
// every path, at the latest when the job goes.
class BackupJob {
public:
    BackupJob() = default;
    ~BackupJob();
    BackupJob(const BackupJob&) = delete;
    BackupJob& operator=(const BackupJob&) = delete;

    // log receives every line of the run; onFinished (may be empty) is called
    // on the worker thread as its last act, to wake a front end that waits.
    // onItemDone and onFileNotCopied (may be empty) hear of each item and of
    // each entry of the data folder not copied as soon as it is known, on the
    // worker thread, for a front end that writes them out as the run goes.
    struct Hooks {
        RunLog log;
        std::function<void()> onFinished;
        std::function<void(const ItemResult&)> onItemDone;
        std::function<void(const ItemResult& item, const FileFailure& failure)> onFileNotCopied;
    };

    // Starts the copying of plan into its backup folder. The run also writes
    // its record into the backup folder, last.
    Result<std::monostate, StartRefusal> start(BackupPlan plan, Hooks hooks, RunTuning tuning = {});

    bool isRunning() const { return run_.isRunning(); }
    // Asks the run to stop; what was completely copied stays. Once per run.
    void cancel();
    bool cancelRequested() const { return run_.cancelRequested(); }

    // The newest progress since the last call, if there is any and no stop
    // was asked for (the window then says that the run is stopping).
    std::optional<ProgressText> takeProgress();

    // The worker is done; finish() will not wait.
    bool isFinished() const { return run_.isFinished(); }
    // Waits up to timeout for the worker to end; true when it has.
    bool waitFor(std::chrono::milliseconds timeout) const { return run_.waitFor(timeout); }
    // Waits for the worker, logs the result and hands it over; the job is then
    // free for the next start. Rethrows what the worker could not handle.
    JobOutcome finish();

private:
    JobOutcome work(const BackupPlan& plan);
    void log(LogLevel level, const std::string& line) const;

    Hooks hooks_;
    RunTuning tuning_;
    WorkerRun<BackupProgress, JobOutcome> run_; // last: its worker goes first, while what it uses still exists
};

} // namespace rv
