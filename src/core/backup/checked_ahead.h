#pragma once

#include "common/content_hash.h"

#include <optional>

namespace rv {

// What was found of a data folder's file before its turn, each part only
// where its read succeeded: its source's digest, and what its copy in the
// backup read back as past the cache.
struct CheckedAhead {
    std::optional<ContentDigest> source;
    std::optional<ContentDigest> copy;
};

} // namespace rv
