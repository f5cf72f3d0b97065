#pragma once

#include "backup/copy_reason.h"
#include "common/result.h"
#include "platform/destination_entry.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rv {

// The files this run has put in place, so that a name the destination takes
// as one of theirs (a case-insensitive disk: exFAT, FAT, NTFS; "Report.txt"
// and "report.txt") never replaces one of them. Told from what the
// destination does, not from a rule of letters: the target's name leads to
// an entry this run placed, the same by the destination's own numbering, or,
// where it numbers entries by the name they were reached by, the same size
// and last write and not listed under the name asked for.
class PlacedNames {
public:
    // What the copy is, when it may take its target's name; why not when the
    // target's name leads to a file this run put in place under another name.
    // A file of the plan's own list (planItem) replaces an earlier one of the
    // same name as the plan compares names: the plan has said so already.
    Result<platform::EntryStamp, CommitFailure> admit(const platform::DestinationFolder& root,
                                                      const platform::PendingFile& file, bool planItem) const;
    // The copy admitted is in place.
    void placed(const platform::EntryStamp& copy, const platform::PendingFile& file, bool planItem);
    // A copy an earlier run left at target holds its file as it is now: it
    // counts as put in place by this run. Called on the run's own thread
    // while a batch may be admitting copies on its thread.
    void kept(const platform::EntryStamp& copy, const std::string& target, bool planItem);

private:
    using Identity = std::pair<std::uint64_t, std::uint64_t>; // volume, index
    bool mayReplace(const Identity& placed, std::string_view target, bool planItem) const;

    std::map<Identity, std::size_t> identities_;              // the target each was placed at, by its hash
    std::map<Identity, std::string> planItems_;               // the few files of the plan's list, by name
    std::set<std::pair<std::uint64_t, std::uint64_t>> looks_; // size, last write
    mutable std::mutex mutex_;                                // kept comes from another thread than the batch's
};

// The folders this run made inside one folder of the backup, so that a name
// the destination takes as one of theirs never merges another folder into
// one of them. Told by the destination's numbering, or else, when the name
// is not listed as spelled, by an empty folder made inside the folder the
// name opens and looked for in each folder made here.
class MadeFolders {
public:
    // Whether made, opened under a name of parent that was there already,
    // is on this destination one of the folders made in parent.
    Result<bool, CommitFailure> includes(const platform::DestinationFolder& root,
                                         const platform::DestinationFolder& parent,
                                         const platform::DestinationFolder& made, std::string_view name);
    void add(const platform::DestinationFolder& root, const platform::DestinationFolder& made, std::string_view name);

private:
    std::vector<std::string> names_;
    std::set<std::pair<std::uint64_t, std::uint64_t>> identities_; // volume, index
    std::optional<std::set<std::string, std::less<>>> listing_;    // parent's names, once asked
};

} // namespace rv
