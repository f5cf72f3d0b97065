#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Where a backup folder keeps what each run replaced. The latest backup lies
// flat in the chosen folder; each earlier generation is a folder of its own
// below kEarlierBackupsFolder, named for the time of its run, holding that
// run's record and those of its copies a later run replaced, in the same
// layout as the latest. A file a generation lists is found in its own folder
// or, when no later run replaced it, in the next newer generation that holds
// it, or in the latest.
namespace rv {

inline constexpr const char* kEarlierBackupsFolder = "以前のバックアップ";
// Beside each restored place: what a restore replaced, so that it can be undone.
inline constexpr const char* kBeforeRestoreFolder = "復元前";

// A generation's folder name for a run at when ("2026-12-08 18:30:05"):
// "2026-12-08 18時30分", which every file system can hold and which sorts
// in time order. Nothing for a time not in that form.
std::optional<std::string> generationFolderName(std::string_view when);

// The first of name, "name（2）", "name（3）", ... that taken does not hold.
std::string unusedGenerationName(const std::string& name, const std::vector<std::string>& taken);

// True for a folder name generationFolderName or unusedGenerationName gives.
bool isGenerationName(std::string_view name);

// The earlier generations of the backup folder, oldest first; none when it
// has no kEarlierBackupsFolder. Other entries there are not generations and
// are left out.
Result<std::vector<std::string>, platform::FileError> earlierGenerations(const platform::DestinationFolder& backup);

} // namespace rv
