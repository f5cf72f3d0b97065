#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rv {

// A name that would write outside the backup folder, or nowhere.
bool isUnusableFileName(std::string_view name);

// BackupFolder from what the folder picker returned: cut at the first NUL,
// ending with a separator (a root keeps its single one). No path at all - a
// cancel, or a choice that is not a folder on disk - gives nothing.
std::optional<std::string> backupFolderFromChosenPath(std::string_view chosen);

} // namespace rv
