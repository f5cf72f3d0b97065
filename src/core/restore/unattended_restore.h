#pragma once

#include <atomic>
#include <ostream>
#include <string_view>

namespace rv {

// The restore without a window: puts the generation (empty: the latest) of
// the backup in backupFolder back where programFolder's rv.dat says, and
// writes one line per file not put back, a summary and where what it
// replaced was kept to out. Returns kRestoreAllRestored, kRestoreNotAll or
// kRestoreCouldNotStart.
int runUnattendedRestore(std::string_view programFolder, std::string_view backupFolder, std::string_view generation,
                         std::ostream& out, const std::atomic<bool>& cancel);

} // namespace rv
