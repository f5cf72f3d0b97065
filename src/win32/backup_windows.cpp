#include "win32/backup_windows.h"

#include "win32/backup_progress.h"
#include "win32/debug_log.h"
#include "win32/folder_browser.h"
#include "win32/wide_text.h"
#include "win32/yes_no_box.h"

namespace rv::win32 {

std::optional<std::string> BackupWindows::chooseFolder() { return chooseFolderWithBrowser(owner_); }

void BackupWindows::keepChosenFolder(const std::string& path) { SetWindowTextW(text1_, widen(path).c_str()); }

void BackupWindows::refuse(const ResultMessage& why) { showResultBox(owner_, why); }

bool BackupWindows::mayCopyOpenDatabases(const std::vector<OpenDatabase>& open)
{
    return askYesNo(owner_, widen(describeOpenDatabasesQuestion(open)), widen(kMessageCaption));
}

BackupJob::Hooks BackupWindows::jobHooks() { return progressWindowHooks(); }

void BackupWindows::waitForTheJob(BackupJob& job) { waitBehindProgressWindow(owner_, job); }

void BackupWindows::showOutcome(const JobOutcome& outcome) { showResultBox(owner_, outcome.message); }

void BackupWindows::endAfterClose() { DestroyWindow(owner_); }

void BackupWindows::log(LogLevel /*level*/, const std::string& line) { logLine(L"rv.backup", widen(line)); }

} // namespace rv::win32
