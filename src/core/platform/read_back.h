#pragma once

#include "common/content_hash.h"
#include "platform/destination_folder.h"
#include "platform/file_system.h"
#include "platform/owned_handle.h"

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

// The regular file at relative (names with "/" between them, or the
// system's separator) below folder, opened for reading: reached one name at
// a time, never through a link, and without waiting, so that a named pipe
// or a device there is named (Pipe, Device, Link) rather than waited on.
Result<OwnedHandle, FileError> openFileBelow(const DestinationFolder& folder, std::string_view relative);

// Reads the file at relative below folder, opened as openFileBelow does,
// past the system's cache and takes the digest of its contents: what a disk
// really holds, not what was just written to it. No path is ever formed
// that the system could find too long. Stops with Cancelled when cancel is set.
Result<ReadBack, FileError> readFromDeviceBelow(const DestinationFolder& folder, std::string_view relative,
                                                const std::atomic<bool>* cancel = nullptr);

} // namespace rv::platform
