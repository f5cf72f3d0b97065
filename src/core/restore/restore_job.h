#pragma once

#include "backup/backup_job.h"
#include "backup/progress_text.h"
#include "backup/run_log.h"
#include "common/worker_run.h"
#include "restore/restore_service.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace rv {

// One restore as a window carries it out, the way a backup job runs a
// backup: the service's restore on a worker thread, a progress snapshot the
// front end takes at its own pace, cancel, and the outcome. The worker is
// joined on every path, at the latest when the job goes.
class RestoreJob {
public:
    // onFinished (may be empty) is called on the worker thread as its last
    // act, to wake a front end that waits.
    struct Hooks {
        RunLog log;
        std::function<void()> onFinished;
    };

    RestoreJob() = default;
    ~RestoreJob();
    RestoreJob(const RestoreJob&) = delete;
    RestoreJob& operator=(const RestoreJob&) = delete;

    // Restores generation of backupFolder through service, which must
    // outlive the run.
    Result<std::monostate, StartRefusal> start(RestoreService& service, std::string backupFolder,
                                               std::string generation, Hooks hooks);

    bool isRunning() const { return run_.isRunning(); }
    // Asks the restore to stop; what was put back stays. Once per run.
    void cancel();
    bool cancelRequested() const { return run_.cancelRequested(); }

    // The newest progress since the last call, if there is any and no stop
    // was asked for (the window then says that the restore is stopping).
    std::optional<ProgressText> takeProgress();

    bool isFinished() const { return run_.isFinished(); }
    // Waits up to timeout for the worker to end; true when it has.
    bool waitFor(std::chrono::milliseconds timeout) const { return run_.waitFor(timeout); }
    // Waits for the worker and hands its outcome over; the job is then free
    // for the next start. Rethrows what the worker could not handle.
    RestoreOutcome finish();

private:
    void log(LogLevel level, const std::string& line) const;

    Hooks hooks_;
    WorkerRun<RestoreProgress, RestoreOutcome> run_; // last: its worker goes first, while what it uses still exists
};

} // namespace rv
