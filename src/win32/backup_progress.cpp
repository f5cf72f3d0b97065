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

} // namespace

BackupJob::Hooks progressWindowHooks()
{
    BackupJob::Hooks hooks;
    hooks.log = logBackup;
    hooks.onFinished = wakeThisThread();
    return hooks;
}

void waitBehindProgressWindow(HWND owner, BackupJob& job)
{
    WatchedJob watched(job);
    waitBehindProgressWindow(owner, watched, {kPreparingText, kCancellingText});
}

void showResultBox(HWND owner, const ResultMessage& message)
{
    MessageBoxW(owner, widen(message.text).c_str(), widen(message.caption).c_str(),
                MB_OK | messageBoxIcon(message.icon));
}

} // namespace rv::win32
