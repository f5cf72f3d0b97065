#include "restore/restore_job.h"

#include "common/printable_text.h"
#include "restore/restore_texts.h"

#include <utility>

namespace rv {

RestoreJob::~RestoreJob()
{
    if (worker_.joinable()) {
        cancel();
        worker_.join();
    }
}

Result<std::monostate, StartRefusal> RestoreJob::start(RestoreService& service, std::string backupFolder,
                                                       std::string generation, Hooks hooks)
{
    using R = Result<std::monostate, StartRefusal>;
    if (running_) {
        if (hooks.log) {
            hooks.log(LogLevel::Info, "a restore is already running; the second start is ignored");
        }
        return R::failure({StartRefusal::Why::AlreadyRunning});
    }
    hooks_ = std::move(hooks);
    std::string line = "restoring ";
    line += printable(generation);
    line += " from ";
    line += shownPath(backupFolder);
    log(LogLevel::Info, line);
    running_ = true;
    cancel_ = false;
    {
        const std::lock_guard lock(mutex_);
        finished_ = false;
        freshProgress_.reset();
        outcome_ = {};
        failure_ = nullptr;
    }
    worker_ = std::jthread([this, &service, folder = std::move(backupFolder), name = std::move(generation)] {
        work(service, folder, name);
    });
    return R::success({});
}

void RestoreJob::work(RestoreService& service, const std::string& backupFolder, const std::string& generation)
{
    RestoreOutcome outcome;
    std::exception_ptr failure;
    try {
        outcome = service.restore(
            backupFolder, generation,
            [this](const RestoreProgress& progress) {
                const std::lock_guard lock(mutex_);
                freshProgress_ = progress;
            },
            cancel_);
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

void RestoreJob::cancel()
{
    if (running_ && !cancel_.exchange(true)) {
        log(LogLevel::Info, "cancel requested");
    }
}

std::optional<ProgressText> RestoreJob::takeProgress()
{
    std::optional<RestoreProgress> progress;
    {
        const std::lock_guard lock(mutex_);
        progress.swap(freshProgress_);
    }
    if (!progress || cancel_) {
        return std::nullopt;
    }
    return describeRestoreProgress(*progress);
}

bool RestoreJob::isFinished() const
{
    const std::lock_guard lock(mutex_);
    return finished_;
}

bool RestoreJob::waitFor(std::chrono::milliseconds timeout) const
{
    std::unique_lock lock(mutex_);
    return finishedSignal_.wait_for(lock, timeout, [this] { return finished_; });
}

RestoreOutcome RestoreJob::finish()
{
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = false;
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
    RestoreOutcome outcome = std::exchange(outcome_, {});
    for (const std::string& notDone : outcome.notDone) {
        log(LogLevel::Warning, printable(notDone));
    }
    std::string line = "restore result: ";
    line += outcome.summary;
    log(outcome.exitCode == kRestoreAllRestored ? LogLevel::Info : LogLevel::Warning, line);
    return outcome;
}

void RestoreJob::log(LogLevel level, const std::string& line) const
{
    if (hooks_.log) {
        hooks_.log(level, line);
    }
}

} // namespace rv
