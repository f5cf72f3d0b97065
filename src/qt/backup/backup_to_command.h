#pragma once

#include <QString>

namespace rv::backup {

// rvdatebackup --backup-to DIR: the backup without a window or a display.
// Prints one line per item and a summary on standard output and returns the
// exit code (0 all copied, 1 something not, 2 could not start). An interrupt
// (Ctrl+C) cancels the run cleanly: no temporary file is left behind.
int runBackupTo(const QString& destination);

} // namespace rv::backup
