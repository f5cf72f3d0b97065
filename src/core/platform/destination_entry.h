#pragma once

#include "platform/destination_folder.h"
#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace rv::platform {

// An entry of the backup as the destination's file system tells it apart:
// where it lies on its volume, and its size and last write. A file system
// that numbers its entries by the name they were reached by (exfat-fuse)
// gives the same file other numbers under other spellings of its name; its
// size and last write stay its own.
struct EntryStamp {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    std::uint64_t size = 0;
    std::uint64_t modified = 0;

    bool sameIdentity(const EntryStamp& other) const { return volume == other.volume && index == other.index; }
};

// What the name at relative (inside held, a folder of the backup)
// leads to, a link there not followed and nothing opened for reading;
// nothing when the name leads nowhere.
Result<std::optional<EntryStamp>, FileError> stampAt(const DestinationFolder& held, std::string_view relative);

// Whether the folder of relative lists its last name spelled exactly so: a
// name that leads to an entry listed under another spelling is taken by the
// destination as that entry's.
Result<bool, FileError> listedAsSpelled(const DestinationFolder& held, std::string_view relative);

} // namespace rv::platform
