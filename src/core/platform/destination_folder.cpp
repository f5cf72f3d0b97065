#include "platform/destination_folder.h"

#include "common/path_text.h"

// What both platforms share; reaching the folders is each platform's own.
namespace rv::platform {

std::string DestinationFolder::pathOf(std::string_view relative) const
{
    return relative.empty() ? root_ : entryPath(root_, relative);
}

std::string DestinationFolder::pathBelow(std::string_view relative) const
{
    return relative.empty() ? path_ : entryPath(path_, relative);
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

namespace {

Result<DestinationFolder, FileError> reachOne(const DestinationFolder& from, std::string_view name, Reach how)
{
    if (how != Reach::Make) {
        auto opened = from.openFolder(name);
        if (opened.ok() || how == Reach::Open || opened.error().kind != FileErrorKind::NotFound) {
            return opened;
        }
    }
    auto made = from.makeFolder(name);
    if (!made.ok()) {
        return Result<DestinationFolder, FileError>::failure(made.error());
    }
    return Result<DestinationFolder, FileError>::success(std::move(made.value().folder));
}

} // namespace

Result<DestinationFolder, FileError> folderBelow(const DestinationFolder& folder, std::string_view relative, Reach how)
{
    using F = Result<DestinationFolder, FileError>;
    std::optional<DestinationFolder> reached;
    for (;;) {
        const std::size_t slash = relative.find('/');
        auto next = reachOne(reached ? *reached : folder, relative.substr(0, slash), how);
        if (!next.ok()) {
            return next;
        }
        reached.emplace(std::move(next.value()));
        if (slash == std::string_view::npos) {
            return F::success(std::move(*reached));
        }
        relative.remove_prefix(slash + 1);
    }
}

} // namespace rv::platform
