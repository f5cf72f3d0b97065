#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv::platform {

// A copy is written under a name of this process beside its target, and
// renamed over the target only when complete: ".rvtmp-<process>-<number>".
std::string temporaryPathFor(std::string_view target);

struct AbandonedCopies {
    std::vector<std::string> removed;
    std::vector<FileError> notRemoved; // also: the folder could not be listed
};

// Removes from folder (not below it) the unfinished copies of runs that ended
// before they could clean up: a disk pulled out mid-run, a power cut, a kill.
// Copies of a process still running (another backup at work) are left alone.
AbandonedCopies removeAbandonedCopies(std::string_view folder);

// Platform parts.
std::uint64_t currentProcessId();
bool processIsRunning(std::uint64_t process);

} // namespace rv::platform
