#pragma once

#include "backup/progress_text.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace rv::win32 {

// What the progress window watches: a run on a worker thread, which it can
// ask to stop. Its calls come from the window's thread.
class WatchedRun {
public:
    virtual ~WatchedRun() = default;
    virtual bool isFinished() const = 0;
    // The newest figures since the last call, if there are any.
    virtual std::optional<ProgressText> takeProgress() = 0;
    virtual void cancel() = 0;
};

// A job of the core (a backup's, a restore's) as the window watches it.
template <typename Job> class WatchedJob final : public WatchedRun {
public:
    explicit WatchedJob(Job& job) : job_(job) {}
    bool isFinished() const override { return job_.isFinished(); }
    std::optional<ProgressText> takeProgress() override { return job_.takeProgress(); }
    void cancel() override { job_.cancel(); }

private:
    Job& job_;
};

// The lines the window shows before the first figures and once a stop was asked for.
struct ProgressWindowTexts {
    std::string preparing;
    std::string cancelling;
};

// The progress window with "中止" over a started run, owned by owner (shown
// once the run has lasted half a second). The owner takes no input until the
// run is over; the wait ends when the run's worker does, whatever became of
// the windows meanwhile. The button, Escape and closing the window cancel.
void waitBehindProgressWindow(HWND owner, WatchedRun& run, const ProgressWindowTexts& texts);

// For a job's onFinished hook: wakes the wait on the calling thread at once
// rather than at its next look.
std::function<void()> wakeThisThread();

} // namespace rv::win32
