#include "win32/backup_progress.h"

#include "win32/debug_log.h"
#include "win32/progress_window.h"
#include "win32/wide_text.h"

namespace rv::win32 {
namespace {

UINT messageBoxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    case MessageIcon::Warning:
        return MB_ICONWARNING;
    case MessageIcon::None:
        break;
    }
    return 0;
}

void logBackup(LogLevel /*level*/, const std::string& line) { logLine(L"rv.backup", widen(line)); }

// A backup job as the progress window watches it.
class WatchedBackup final : public WatchedRun {
public:
    explicit WatchedBackup(BackupJob& job) : job_(job) {}
    bool isFinished() const override { return job_.isFinished(); }
    std::optional<ProgressText> takeProgress() override { return job_.takeProgress(); }
    void cancel() override { job_.cancel(); }

private:
    BackupJob& job_;
};

} // namespace

BackupJob::Hooks progressWindowHooks()
{
    BackupJob::Hooks hooks;
    hooks.log = logBackup;
    // Wakes the wait at once rather than at its next look.
    hooks.onFinished = [thread = GetCurrentThreadId()] { PostThreadMessageW(thread, WM_NULL, 0, 0); };
    return hooks;
}

void waitBehindProgressWindow(HWND owner, BackupJob& job)
{
    WatchedBackup watched(job);
    waitBehindProgressWindow(owner, watched, {kPreparingText, kCancellingText});
}

void showResultBox(HWND owner, const ResultMessage& message)
{
    MessageBoxW(owner, widen(message.text).c_str(), widen(message.caption).c_str(),
                MB_OK | messageBoxIcon(message.icon));
}

} // namespace rv::win32
