#pragma once

#include "platform/destination_folder.h"
#include "platform/file_system.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rv::platform {

// A copy is written under a name of this process in its target's folder,
// and renamed over the target only when complete: ".rvtmp-<process>-<number>".
// Each call gives the next number.
std::string temporaryName();

// More names than a run cut off by a power cut leaves in one folder (two
// batches of 2,048 files, and the files copied ahead).
inline constexpr unsigned kTemporaryNameTries = 1U << 16;

// The name is created, never taken over: create makes the file exclusively
// under the name it is given and returns true when the name was taken (left
// by an earlier process of the same number), and the next name is tried, up
// to kTemporaryNameTries. Returns the last name given.
std::string createUnderTemporaryName(const std::function<bool(const std::string& name)>& create);

struct AbandonedCopies {
    std::vector<std::string> removed;
    std::vector<FileError> notRemoved; // also: the folder could not be listed
};

// Removes from folder (not below it) the unfinished copies of runs that ended
// before they could clean up: a disk pulled out mid-run, a power cut, a kill.
// Copies of a process still running (another backup at work) are left alone.
AbandonedCopies removeAbandonedCopies(const DestinationFolder& folder);

// Platform parts.
std::uint64_t currentProcessId();
bool processIsRunning(std::uint64_t process);

} // namespace rv::platform
