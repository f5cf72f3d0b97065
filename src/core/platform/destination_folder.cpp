#include "platform/destination_folder.h"

#include "common/path_text.h"

// What both platforms share; reaching the folders is each platform's own.
namespace rv::platform {

std::string DestinationFolder::pathOf(std::string_view relative) const
{
    return relative.empty() ? root_ : entryPath(root_, relative);
}

Result<MadeFolder, FileError> DestinationFolder::makeFolder(std::string_view nameView) const
{
    const std::string name(nameView);
    const std::string path = entryPath(path_, name);
    if (!isPlainName(name)) {
        return Result<MadeFolder, FileError>::failure({FileErrorKind::NotWritable, path + ": not a name of a folder"});
    }
    return makePlainFolder(name, path);
}

Result<DestinationFolder, FileError> DestinationFolder::openFolder(std::string_view nameView) const
{
    const std::string name(nameView);
    const std::string path = entryPath(path_, name);
    if (!isPlainName(name)) {
        return Result<DestinationFolder, FileError>::failure(
            {FileErrorKind::NotFound, path + ": not a name of a folder"});
    }
    return openPlainFolder(name, path);
}

Result<Done, FileError> DestinationFolder::moveEntry(std::string_view nameView, const DestinationFolder& into,
                                                     std::string_view newNameView) const
{
    const std::string name(nameView);
    const std::string newName(newNameView);
    if (!isPlainName(name) || !isPlainName(newName)) {
        return Result<Done, FileError>::failure(
            {FileErrorKind::NotWritable, entryPath(path_, name) + ": not a name of an entry"});
    }
    return movePlainEntry(name, into, newName);
}

} // namespace rv::platform
