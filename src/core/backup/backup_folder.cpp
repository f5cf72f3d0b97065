#include "backup/backup_folder.h"

#include "platform/paths.h"

#include <algorithm>

namespace rv {

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string fileNameOf(std::string_view path)
{
    const auto last = std::find_if(path.rbegin(), path.rend(), isPathSeparator);
    return std::string(last.base(), path.end());
}

bool isUnusableFileName(std::string_view name) { return name.empty() || name == "." || name == ".."; }

std::optional<std::string> backupFolderFromChosenPath(std::string_view chosen)
{
    std::string folder(chosen.substr(0, chosen.find('\0')));
    if (folder.empty()) {
        return std::nullopt;
    }
    if (!isPathSeparator(folder.back())) {
        folder += platform::kPathSeparator;
    }
    return folder;
}

std::string joinPath(const std::string& folder, const std::string& relative)
{
    if (!folder.empty() && isPathSeparator(folder.back())) {
        return folder + relative;
    }
    return folder + platform::kPathSeparator + relative;
}

} // namespace rv
