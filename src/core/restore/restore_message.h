#pragma once

#include "restore/restore_service.h"

#include <cstdint>
#include <string>

namespace rv {

// How many files went back, as the closing line says it. restored: put in
// place; leftAlone: rv.dat or id.dat there already; notDone: lines of what
// was not put back.
std::string describeRestoreCounts(std::uint64_t restored, std::uint64_t leftAlone, std::uint64_t listed,
                                  bool cancelled, std::size_t notDone);

// A restore stopped before it put anything back.
RestoreOutcome cancelledBeforeStart();

// Where the replaced files were kept, and how to undo the restore with them.
std::string describeKeptAside(const std::string& keptAside);

} // namespace rv
