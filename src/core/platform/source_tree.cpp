#include "platform/source_tree.h"

#include "platform/paths.h"

namespace rv::platform {

std::string_view WalkStep::name() const
{
    const std::string_view path = relativePath;
    const std::size_t separator = path.rfind(kPathSeparator);
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

} // namespace rv::platform
