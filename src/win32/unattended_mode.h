#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rv::win32 {

// The value of `OPTION DIR` (also `OPTION=DIR`) on the program's command
// line, for --backup-to and --check, if it was given.
std::optional<std::wstring> folderArgument(std::wstring_view option);
// Whether a switch such as --no-verify is on the command line.
bool hasSwitch(std::wstring_view option);

// The backup without a window, for scheduled tasks and scripts: the core's
// unattended runner, writing to the parent's console; Ctrl+C cancels.
// Returns its exit code (0 all copied, 1 not all, 2 could not start).
// Without verify, the copies are not read back from the disk.
int runUnattendedMode(const std::string& programFolder, const std::wstring& destination, bool verify);

// The check of a backup folder against its record, written to the parent's
// console; Ctrl+C stops it. Returns 0 (all match), 1 (something differs or
// is missing) or 2 (no record, unusable folder).
int runCheckMode(const std::wstring& folder);

} // namespace rv::win32
