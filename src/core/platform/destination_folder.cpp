#include "platform/destination_folder.h"

#include "common/path_text.h"

// What both platforms share; reaching the folders is each platform's own.
namespace rv::platform {

std::string DestinationFolder::pathOf(std::string_view relative) const
{
    return relative.empty() ? root_ : entryPath(root_, relative);
}

} // namespace rv::platform
