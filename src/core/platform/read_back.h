#pragma once

#include "platform/file_system.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace rv::platform {

// How the bytes of a read-back came: from the device itself, or (where the
// file system refuses that) after the cached pages were dropped.
enum class ReadPath { Device, CacheDropped };

struct ReadBack {
    std::uint64_t bytes = 0;
    ReadPath path = ReadPath::Device;
};

// Reads a file, not a link to one, past the system's cache, handing each
// piece to sink: what a disk really holds, not what was just written to it.
// Stops with Cancelled when cancel is set.
Result<ReadBack, FileError> readFromDevice(std::string_view path,
                                           const std::function<void(const char*, std::size_t)>& sink,
                                           const std::atomic<bool>* cancel = nullptr);

} // namespace rv::platform
