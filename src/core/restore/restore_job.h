#pragma once

#include "backup/backup_job.h"
#include "backup/progress_text.h"
#include "backup/run_log.h"
#include "restore/restore_service.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

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

    bool isRunning() const { return running_; }
    // Asks the restore to stop; what was put back stays. Once per run.
    void cancel();
    bool cancelRequested() const { return cancel_; }

    // The newest progress since the last call, if there is any and no stop
    // was asked for (the window then says that the restore is stopping).
    std::optional<ProgressText> takeProgress();

    bool isFinished() const;
    // Waits up to timeout for the worker to end; true when it has.
    bool waitFor(std::chrono::milliseconds timeout) const;
    // Waits for the worker and hands its outcome over; the job is then free
    // for the next start. Rethrows what the worker could not handle.
    RestoreOutcome finish();

private:
    void work(RestoreService& service, const std::string& backupFolder, const std::string& generation);
    void log(LogLevel level, const std::string& line) const;

    Hooks hooks_;
    std::atomic<bool> cancel_{false};
    bool running_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable finishedSignal_;
    bool finished_ = false;
    std::optional<RestoreProgress> freshProgress_;
    RestoreOutcome outcome_;
    std::exception_ptr failure_;

    std::jthread worker_; // last: it goes first, while what it uses still exists
};

} // namespace rv
