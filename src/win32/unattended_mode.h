#pragma once

#include <optional>
#include <string>

namespace rv::win32 {

// The destination of `--backup-to DIR` (also `--backup-to=DIR`) on the
// program's command line, if it was given.
std::optional<std::wstring> backupDestinationArgument();

// The backup without a window, for scheduled tasks and scripts: the core's
// unattended runner, writing to the parent's console; Ctrl+C cancels.
// Returns its exit code (0 all copied, 1 not all, 2 could not start).
int runUnattendedMode(const std::string& programFolder, const std::wstring& destination);

} // namespace rv::win32
