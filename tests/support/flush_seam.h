#pragma once

#include <chrono>

// The flush of a backup destination (syncfs on Linux) as a test binary that
// links flush_seam.cpp sees it: while a HeldFlushes lives, each flush is held
// until its descriptor is closed or the hold time passes, and says whether
// its descriptor was closed (or given to another file) meanwhile - what a
// flush on one thread meets when another thread closes the destination
// under it. Without a HeldFlushes the flush goes straight through.
namespace rv::testing {

class HeldFlushes {
public:
    explicit HeldFlushes(std::chrono::milliseconds hold);
    HeldFlushes(const HeldFlushes&) = delete;
    HeldFlushes& operator=(const HeldFlushes&) = delete;
    ~HeldFlushes();

    // Flushes begun while this lived.
    int seen() const;
    // Of those, the ones whose descriptor was closed while they were under way.
    int lostTheirDescriptor() const;
};

} // namespace rv::testing
