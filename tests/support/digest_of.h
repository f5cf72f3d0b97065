#pragma once

#include "common/content_hash.h"

#include <string_view>

namespace rv::testing {

// The digest a file holding bytes has.
inline rv::ContentDigest digestOf(std::string_view bytes)
{
    rv::ContentHasher hasher;
    hasher.add(bytes.data(), bytes.size());
    return hasher.digest();
}

} // namespace rv::testing
