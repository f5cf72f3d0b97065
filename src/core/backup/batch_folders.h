#pragma once

#include "platform/destination_folder.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace rv {

// The folders of one batch's copies, each reached from the chosen folder
// once: a batch's files come a folder at a time, and reaching each file's
// folder anew looks up every name on the way (measured: three of every four
// lookups of a backup's commits and read-backs).
class BatchFolders {
public:
    explicit BatchFolders(const platform::DestinationFolder& root) : root_(root) {}
    BatchFolders(const BatchFolders&) = delete;
    BatchFolders& operator=(const BatchFolders&) = delete;

    // The folder of relative (a path inside the chosen folder). Where that
    // folder cannot be reached, the chosen folder and relative itself: the
    // caller then meets what is wrong there and names it.
    platform::HeldEntry of(std::string_view relative);

private:
    const platform::DestinationFolder& root_;
    // A reached folder keeps its place in the map while others are added:
    // the places handed out point into it.
    std::map<std::string, platform::DestinationFolder, std::less<>> held_;
};

} // namespace rv
