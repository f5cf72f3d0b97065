#pragma once

#include "backup/backup_job.h"
#include "settings/settings.h"

#include <windows.h>

#include <optional>
#include <string>

namespace rv::win32 {

// One backup run into backupFolder (ending with a separator), after the
// folder was chosen: the core's job, behind a progress window with "中止"
// owned by `owner` (shown once the run has lasted half a second). The owner
// takes no input until the run is over; the wait ends when the job's worker
// does, whatever became of the windows meanwhile. Returns the message box to
// show (the destination refused, or how the run ended), or nothing when the
// job refused a second start.
std::optional<ResultMessage> runBackupWithProgress(HWND owner, BackupJob& job, const Settings& settings,
                                                   const std::string& programFolder, const std::string& backupFolder);

// The message box of a run, owned by owner.
void showResultBox(HWND owner, const ResultMessage& message);

} // namespace rv::win32
