#pragma once

#include "backup/run_note.h"
#include "common/result.h"
#include "platform/destination_folder.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace rv {

// How many earlier generations a backup folder keeps unless told otherwise.
inline constexpr unsigned kDefaultGenerationsKept = 30;

struct Retention {
    // The earlier generations that stand at most once the run is over,
    // besides the latest backup lying flat: before the run the oldest go
    // until one fewer stand. The newest is never removed, so with 1 a run
    // that replaces something leaves 2.
    unsigned keep = kDefaultGenerationsKept;
    // What the run may write: everything it copies could have changed.
    std::uint64_t bytesToWrite = 0;
};

// Before a run: removes the oldest earlier generations of the backup folder
// held as root, first as rule.keep says, then while its disk has less
// room than the run may write; never the newest one, and never the latest
// backup. A generation that cannot be removed whole stops the removing, so
// that no newer one goes before it (an older generation may need a newer
// one's files, never the other way round). Each removal, and each failure,
// is a note, and goes into the history.
std::vector<RunNote> removeOldGenerations(const platform::DestinationFolder& root, const Retention& rule,
                                          const std::atomic<bool>& cancel);

// Removes the folder name inside parent and all it holds, one name at a
// time: a link inside is removed as the link, and never followed.
Result<platform::Done, platform::FileError> removeTree(const platform::DestinationFolder& parent,
                                                       const std::string& name, const std::atomic<bool>& cancel);

} // namespace rv
