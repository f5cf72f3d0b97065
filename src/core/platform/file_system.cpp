#include "platform/file_system.h"

namespace rv::platform {

Result<TreeListing, FileError> listTree(std::string_view folder)
{
    auto root = inspect(folder);
    if (!root.ok()) {
        return Result<TreeListing, FileError>::failure(root.error());
    }
    if (root.value().kind != EntryKind::Folder) {
        return Result<TreeListing, FileError>::failure(
            {FileErrorKind::NotReadable, std::string(folder) + ": not a folder"});
    }
    return Result<TreeListing, FileError>::success(detail::walkTree(folder));
}

} // namespace rv::platform
