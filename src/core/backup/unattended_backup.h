#pragma once

#include "backup/backup_run.h"

#include <atomic>
#include <ostream>
#include <string_view>

namespace rv {

inline constexpr int kExitAllCopied = 0;
inline constexpr int kExitNotAllCopied = 1;
// The run could not start: rv.dat missing, or an unusable or unsafe destination.
inline constexpr int kExitFatal = 2;

// The backup without a window: reads rv.dat from programFolder, copies into
// destination (an existing folder), writes one line per item and a summary
// to out, and returns the exit code. tuning.readBack.enabled = false skips
// reading the copies back.
int runUnattendedBackup(std::string_view programFolder, std::string_view destination, std::ostream& out,
                        const std::atomic<bool>& cancel, const RunTuning& tuning = {});

} // namespace rv
