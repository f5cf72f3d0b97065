#pragma once

#include <optional>
#include <string>

namespace rv::backup {

// rvdatebackup --backup-to DIR: the backup without a window or a display.
// Prints one line per item and a summary on standard output and returns the
// exit code (0 all copied, 1 something not, 2 could not start). An interrupt
// (Ctrl+C) cancels the run cleanly: no temporary file is left behind.
// Without verify, the copies are not read back from the disk; keep: the
// earlier generations kept at most, when the command line gave a number.
int runBackupTo(const std::string& destination, bool verify, std::optional<unsigned> keep);

// rvdatebackup --check DIR: reads the backup in DIR again against its record.
// One line per file that differs or is missing and a summary on standard
// output, progress on standard error; returns 0 (all match), 1 (something
// differs or is missing, or stopped by Ctrl+C) or 2 (no record, or DIR unusable).
int runCheckOf(const std::string& folder, const std::string& generation);

} // namespace rv::backup
