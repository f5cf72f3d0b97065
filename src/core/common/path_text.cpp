#include "common/path_text.h"

#include "platform/paths.h"

#include <algorithm>

namespace rv {

bool isPathSeparator(char c) { return c == '\\' || c == '/'; }

bool isSystemSeparator(char c) { return c == '/' || c == platform::kNativeSeparator; }

std::string fileNameOf(std::string_view path)
{
    const auto last = std::find_if(path.rbegin(), path.rend(), isPathSeparator);
    return std::string(last.base(), path.end());
}

std::string_view folderPartOf(std::string_view path)
{
    const auto last = std::find_if(path.rbegin(), path.rend(), isSystemSeparator);
    return path.substr(0, static_cast<std::size_t>(path.rend() - last));
}

std::string joinPath(const std::string& folder, const std::string& relative)
{
    if (!folder.empty() && isPathSeparator(folder.back())) {
        return folder + relative;
    }
    return folder + '/' + relative;
}

std::string entryPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (!path.empty() && !isSystemSeparator(path.back())) {
        path += '/';
    }
    path += name;
    return path;
}

std::string joinRelative(std::string_view parent, std::string_view name)
{
    if (parent.empty() || name.empty()) {
        return std::string(parent.empty() ? name : parent);
    }
    std::string path(parent);
    path += '/';
    path += name;
    return path;
}

std::string nativeSeparators(std::string_view path)
{
    std::string shown(path);
    std::replace(shown.begin(), shown.end(), '/', platform::kNativeSeparator);
    return shown;
}

std::pair<std::string_view, std::string_view> splitRelative(std::string_view relative)
{
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string_view::npos) {
        return {{}, relative};
    }
    return {relative.substr(0, slash), relative.substr(slash + 1)};
}

} // namespace rv
