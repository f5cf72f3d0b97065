#pragma once

#include "restore/restore_service.h"

#include <cstdint>
#include <string>

namespace rv {

struct RestoreCounts {
    std::uint64_t listed = 0;    // files the record lists
    std::uint64_t restored = 0;  // in their places as the record lists them
    std::uint64_t unchanged = 0; // of restored, those found so already: not written
    std::uint64_t leftAlone = 0; // rv.dat or id.dat there already
    std::size_t notDone = 0;     // lines of what was not put back
    bool cancelled = false;
};

// How many files went back, as the closing line says it.
std::string describeRestoreCounts(const RestoreCounts& counts);

// A restore stopped before it put anything back.
RestoreOutcome cancelledBeforeStart();

// Where the replaced files were kept, and how to undo the restore with them.
std::string describeKeptAside(const std::string& keptAside);

} // namespace rv
