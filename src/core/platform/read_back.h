#pragma once

#include "common/content_hash.h"
#include "platform/file_system.h"

#include <atomic>
#include <cstdint>
#include <string_view>

namespace rv::platform {

// How the bytes of a read-back came: from the device itself, or (where the
// file system refuses that) after the cached pages were dropped.
enum class ReadPath { Device, CacheDropped };

struct ReadBack {
    std::uint64_t bytes = 0;
    ContentDigest digest; // holes read as zeros
    ReadPath path = ReadPath::Device;
};

// Reads a file, not a link to one, past the system's cache and takes the
// digest of its contents: what a disk really holds, not what was just
// written to it. Stops with Cancelled when cancel is set.
Result<ReadBack, FileError> readFromDevice(std::string_view path, const std::atomic<bool>* cancel = nullptr);

} // namespace rv::platform
