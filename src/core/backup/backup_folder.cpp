#include "backup/backup_folder.h"

#include "common/path_text.h"

namespace rv {

bool isUnusableFileName(std::string_view name) { return name.empty() || name == "." || name == ".."; }

std::optional<std::string> backupFolderFromChosenPath(std::string_view chosen)
{
    std::string folder(chosen.substr(0, chosen.find('\0')));
    if (folder.empty()) {
        return std::nullopt;
    }
    if (!isPathSeparator(folder.back())) {
        folder += '/';
    }
    return folder;
}

} // namespace rv
