#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace rv::bench {

// The disk's own speed, past the system's cache: the floor under any backup
// that writes its copies onto the device and reads them back from it.
struct DiskSpeed {
    double writeMegabytesPerSecond = 0; // written past the cache, then flushed
    double readMegabytesPerSecond = 0;  // read back past the cache
    bool direct = true;                 // false: the file system refused that; cache flushed and dropped instead
};

// Writes megabytes of data to a file in folder, flushes it and reads it back,
// a large block at a time; the file is removed. Nothing when a step fails.
std::optional<DiskSpeed> measureDiskSpeed(const std::filesystem::path& folder, std::uint64_t megabytes);

} // namespace rv::bench
