#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace rv::platform {

// "2026-12-08 15:02:03" in the machine's own time zone, as a clinic reads it.
std::string localTimeText(std::chrono::system_clock::time_point when);

// The same for a file's last write as SourceStamp::modified gives it.
std::string modifiedTimeText(std::uint64_t modified);

} // namespace rv::platform
