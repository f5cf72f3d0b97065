#pragma once

#include <atomic>
#include <ostream>
#include <string_view>

namespace rv {

inline constexpr int kCheckAllMatch = 0;
// Something differs or is missing, or the check was stopped before the end.
inline constexpr int kCheckDiffers = 1;
// No record in the folder, or the folder cannot be used.
inline constexpr int kCheckUnusable = 2;

// Reads every file the record of the backup folder's generation lists again,
// from the device, and compares its size and contents with the record: one
// line per file that differs, is missing or cannot be read, then a summary,
// to out; how far it has come, now and then, to progress. Each file is read
// where the generation's files are found (its own folder, a newer one, the
// latest); generation "" is the latest. Returns the exit code.
int runBackupCheck(std::string_view folder, std::string_view generation, std::ostream& out, std::ostream& progress,
                   const std::atomic<bool>& cancel);

} // namespace rv
