#include "common/path_text.h"

#include "platform/paths.h"

#include <algorithm>

namespace rv {

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

std::string fileNameOf(std::string_view path)
{
    const auto last = std::find_if(path.rbegin(), path.rend(), isPathSeparator);
    return std::string(last.base(), path.end());
}

std::string joinPath(const std::string& folder, const std::string& relative)
{
    if (!folder.empty() && isPathSeparator(folder.back())) {
        return folder + relative;
    }
    return folder + platform::kPathSeparator + relative;
}

} // namespace rv
