#pragma once

#include "common/content_hash.h"
#include "platform/destination_folder.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rv {

// What the backup folder's record says of the copies lying flat in it, so
// that a run can tell which sources have not changed since: the size and
// digest of each file, by its path in the record. A damaged or absent
// record says nothing, and every file is copied. Kept in 32 bytes a file,
// by a 64-bit hash of its path rather than the path: a million files take
// 32 MB. Two paths of one hash would at worst make a file be copied again:
// the size and digest of the other would have to be its source's too.
class EarlierCopies {
public:
    struct Listed {
        std::uint64_t size = 0;
        ContentDigest digest;
    };

    // Reads the record of the backup folder held as root; a cancel stops the
    // reading, and nothing of it is used. day: the run's day (days since
    // 1970), which picks the copies it reads back.
    static EarlierCopies read(const platform::DestinationFolder& root, std::uint64_t day,
                              const std::atomic<bool>& cancel);

    // The file at recordPath as the record lists it; nothing when it does not.
    const Listed* find(const std::string& recordPath) const;
    // When the run that wrote the record started; nothing without a record.
    const std::optional<std::string>& when() const { return when_; }

    // An unchanged copy is read back from the disk by the run whose day
    // number, modulo 7, is its path's hash modulo 7: every copy once in any
    // seven days in a row of backups, a seventh of them each run, so that a
    // copy the disk has lost since it was written is found within a week and
    // copied again.
    bool readsBack(const std::string& recordPath) const;

private:
    struct Entry {
        std::uint64_t key = 0; // textHash of its path
        Listed listed;
    };

    std::vector<Entry> files_; // by key
    std::optional<std::string> when_;
    std::uint64_t day_ = 0;
};

// The day a run counts in, for EarlierCopies::read: today in days since 1970.
std::uint64_t runDay();

} // namespace rv
