#pragma once

#include "common/content_hash.h"
#include "platform/file_system.h"
#include "platform/source_tree.h"

#include <atomic>

namespace rv::platform {

// The size and times of an open source file as its handle gives them now.
Result<SourceStamp, FileError> stampOf(const SourceFile& file);

// The digest of everything an open source file holds, read from its start
// (holes read as the zeros they are), without moving the place a copy of it
// reads from: a file found changed is copied through the same handle.
// Stops with Cancelled when cancel is set.
Result<ContentDigest, FileError> digestOf(const SourceFile& file, const std::atomic<bool>* cancel);

} // namespace rv::platform
