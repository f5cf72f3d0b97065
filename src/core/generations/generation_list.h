#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"
#include "restore/restore_service.h"

#include <ostream>
#include <string_view>
#include <vector>

// The generations of a backup folder as a clinic sees them, and where the
// files of one are found.
namespace rv {

// The name by which the latest backup, flat in the chosen folder, is asked for.
inline constexpr std::string_view kLatestGenerationName = "最新";

// Newest first, the latest at the top. Refused (NoBackup) when the folder
// holds neither a record nor an earlier generation.
Result<std::vector<GenerationSummary>, RestoreRefusal> listGenerations(const platform::DestinationFolder& backup);

// Where a generation's files are found, in the order to look: its own
// folder, which holds its record, then each newer generation's folder,
// oldest to newest, then the latest. A file no later run replaced lies in
// the first newer place that kept it, or in the latest.
struct GenerationPlaces {
    std::vector<platform::DestinationFolder> places;
    const platform::DestinationFolder& recordFolder() const { return places.front(); }
};

// What open answers for the first of places that holds the file: open is
// tried at each in turn while it answers NotFound; the last one's answer
// stands. places is never empty.
template <typename Open>
auto fromFirstHolding(const std::vector<platform::DestinationFolder>& places, Open open)
    -> decltype(open(places.front()))
{
    for (std::size_t place = 0;; ++place) {
        auto opened = open(places[place]);
        if (place + 1 == places.size() || opened.ok() || opened.error().kind != platform::FileErrorKind::NotFound) {
            return opened;
        }
    }
}

// name "" or kLatestGenerationName: the latest, which is the backup folder
// itself. NoGeneration for a name the folder does not hold.
Result<GenerationPlaces, RestoreRefusal> openGenerationPlaces(platform::DestinationFolder backup,
                                                              std::string_view name);

// The --generations listing: one tab-separated line per generation, newest
// first: its name, when its run was, how it ended, its files and their size.
// Returns the exit code: 0, or 2 when the folder holds no backup.
int runGenerationListing(std::string_view folder, std::ostream& out);

} // namespace rv
