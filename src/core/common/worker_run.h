#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace rv {

// The thread side of a job that a window follows (a backup, a restore): one
// piece of work on a worker thread, the newest progress it reported kept for
// the window to take at its own pace, a cancel flag the work watches, and
// the outcome - or what the work threw - handed over on the window's thread.
// The worker is joined on every path, at the latest when the run goes.
template <typename Progress, typename Outcome> class WorkerRun {
public:
    WorkerRun() = default;
    ~WorkerRun()
    {
        if (worker_.joinable()) {
            cancel_ = true;
            worker_.join();
        }
    }
    WorkerRun(const WorkerRun&) = delete;
    WorkerRun& operator=(const WorkerRun&) = delete;

    // Runs work() on a new thread; the run must not be running. onFinished
    // (may be empty) is called on the worker as its last act, once the
    // outcome is there, to wake a window that waits.
    template <typename Work> void start(Work work, std::function<void()> onFinished)
    {
        running_ = true;
        cancel_ = false;
        {
            const std::lock_guard lock(mutex_);
            finished_ = false;
            fresh_.reset();
            outcome_ = {};
            failure_ = nullptr;
        }
        worker_ = std::jthread([this, work = std::move(work), onFinished = std::move(onFinished)]() mutable {
            Outcome outcome;
            std::exception_ptr failure;
            try {
                outcome = work();
            } catch (...) {
                // Handed to the window's thread by finish(): nothing may leave a thread.
                failure = std::current_exception();
            }
            {
                const std::lock_guard lock(mutex_);
                outcome_ = std::move(outcome);
                failure_ = failure;
                finished_ = true;
            }
            finishedSignal_.notify_all();
            if (onFinished) {
                onFinished();
            }
        });
    }

    bool isRunning() const { return running_; }
    // Asks the work to stop; true the first time during a run.
    bool cancel() { return running_ && !cancel_.exchange(true); }
    bool cancelRequested() const { return cancel_; }
    // What the work watches.
    const std::atomic<bool>& cancelFlag() const { return cancel_; }

    // Called by the work, on the worker, as often as it likes.
    void report(const Progress& progress)
    {
        const std::lock_guard lock(mutex_);
        fresh_ = progress;
    }
    // The newest progress since the last call, if there is any and no stop
    // was asked for (the window then says that the job is stopping).
    std::optional<Progress> takeProgress()
    {
        std::optional<Progress> progress;
        {
            const std::lock_guard lock(mutex_);
            progress.swap(fresh_);
        }
        return cancel_ ? std::nullopt : progress;
    }

    bool isFinished() const
    {
        const std::lock_guard lock(mutex_);
        return finished_;
    }
    // Waits up to timeout for the worker to end; true when it has.
    bool waitFor(std::chrono::milliseconds timeout) const
    {
        std::unique_lock lock(mutex_);
        return finishedSignal_.wait_for(lock, timeout, [this] { return finished_; });
    }
    // Waits for the worker and hands its outcome over; the run is then free
    // for the next start. Rethrows what the work threw.
    Outcome finish()
    {
        if (worker_.joinable()) {
            worker_.join();
        }
        running_ = false;
        if (failure_) {
            std::rethrow_exception(std::exchange(failure_, nullptr));
        }
        return std::exchange(outcome_, {});
    }

private:
    std::atomic<bool> cancel_{false};
    bool running_ = false;

    mutable std::mutex mutex_;
    mutable std::condition_variable finishedSignal_;
    bool finished_ = false;
    std::optional<Progress> fresh_;
    Outcome outcome_{};
    std::exception_ptr failure_;

    std::jthread worker_; // last: it goes first, while what it uses still exists
};

} // namespace rv
