#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"

#include <optional>
#include <string>
#include <unordered_set>

namespace rv {

// Keeps what a run replaces in the backup folder. The first time a copy is
// about to take the place of a file lying flat there, a generation folder is
// made below kEarlierBackupsFolder, named for the run that left the flat
// files (its record's time, or this run's when there is no record), and the
// flat record is moved into it; each replaced file is then moved there, at
// the same relative path, just before its new copy is renamed into place.
// Renames only: nothing is copied, and nothing is ever deleted to make way.
// Used by one thread at a time.
class GenerationKeeper {
public:
    // root is the chosen folder and must outlive the keeper. name: the
    // generation's folder name (generationFolderName), numbered if taken.
    GenerationKeeper(const platform::DestinationFolder& root, std::string name);

    // Moves the regular file lying at target (inside the chosen folder) into
    // the generation, if there is one there; a failure means the file is still
    // in place and its new copy must not be. planItem: the target is one of
    // the plan's single files, which two items may share: the second finds
    // this run's own copy there, which is not an earlier one. The file is
    // looked for at where, the same entry by a folder already open.
    Result<platform::Done, platform::FileError> keepAside(const std::string& target, bool planItem,
                                                          const platform::HeldEntry& where);

    // The generation's folder name, once one was made.
    const std::optional<std::string>& made() const { return made_; }

private:
    Result<platform::Done, platform::FileError> makeGeneration();
    // The folders of the target's parent in the chosen folder and in the
    // generation, made there as needed; the last pair is kept for the next file.
    Result<platform::Done, platform::FileError> reachParent(const std::string& parent);

    const platform::DestinationFolder& root_;
    std::string name_;
    std::optional<std::string> made_;
    std::optional<platform::DestinationFolder> generation_;
    std::unordered_set<std::string> planTargets_;
    std::string parent_; // of the last file moved
    std::optional<platform::DestinationFolder> fromParent_;
    std::optional<platform::DestinationFolder> intoParent_;
};

} // namespace rv
