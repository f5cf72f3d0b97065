#pragma once

#include "settings/settings.h"

#include <windows.h>

#include <string>

namespace rv::win32 {

// One backup run into backupFolder (ending with a separator), after the
// folder was chosen: the core's plan and run on a worker thread, a progress
// window with "中止" owned by `owner` (shown once the run has lasted half a
// second), then the result message box. Modal: the owner takes no input
// until the run is over.
void runBackupWithProgress(HWND owner, const Settings& settings, const std::string& programFolder,
                           const std::string& backupFolder);

} // namespace rv::win32
