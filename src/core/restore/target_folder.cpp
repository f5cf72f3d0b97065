#include "restore/target_folder.h"

#include "common/path_text.h"

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::FileError;
using platform::FileErrorKind;

// A path without the separators at its end.
std::string_view trimmed(std::string_view path)
{
    while (path.size() > 1 && isSystemSeparator(path.back())) {
        path.remove_suffix(1);
    }
    return path;
}

bool nothingAt(std::string_view path)
{
    const auto there = platform::inspect(path);
    return !there.ok() && there.error().kind == FileErrorKind::NotFound;
}

} // namespace

Result<DestinationFolder, FileError> openTargetFolder(const std::string& folder)
{
    auto opened = DestinationFolder::openChosen(folder);
    if (opened.ok() || !nothingAt(folder)) {
        return opened;
    }
    std::string_view path = trimmed(folder);
    std::string_view above; // as the path gives it: a drive's root keeps its separator
    std::string missing;
    do {
        above = folderPartOf(path);
        if (above.empty() || trimmed(above) == path) {
            return opened;
        }
        missing = joinRelative(path.substr(above.size()), missing);
        path = trimmed(above);
    } while (nothingAt(above));
    auto ancestor = DestinationFolder::openChosen(above);
    if (!ancestor.ok()) {
        return ancestor;
    }
    if (auto made = platform::folderBelow(ancestor.value(), missing, platform::Reach::OpenOrMake); !made.ok()) {
        return made;
    }
    return DestinationFolder::openChosen(folder);
}

} // namespace rv
