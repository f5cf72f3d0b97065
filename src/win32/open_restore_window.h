#pragma once

#include <string>

namespace rv::win32 {

// The restore window over the restore of the backups this program folder's
// rv.dat places (the program's --restore with no folder); returns the exit code.
int openRestoreWindow(const std::string& programFolder);

} // namespace rv::win32
