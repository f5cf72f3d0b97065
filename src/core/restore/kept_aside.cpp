#include "restore/kept_aside.h"

#include "common/path_text.h"
#include "generations/generation_layout.h"

#include <vector>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::Done;
using platform::FileError;
using R = Result<Done, FileError>;

} // namespace

R KeptAside::makeKeptFolder()
{
    auto before = root_.makeFolder(kBeforeRestoreFolder);
    if (!before.ok()) {
        return R::failure(before.error());
    }
    // An earlier restore's kept files are never mixed with this one's.
    std::vector<std::string> taken;
    auto listed = before.value().folder.forEachName([&taken](std::string_view name) { taken.emplace_back(name); });
    if (!listed.ok()) {
        return R::failure(listed.error());
    }
    auto made = before.value().folder.makeFolder(unusedGenerationName(name_, taken));
    if (!made.ok()) {
        return R::failure(made.error());
    }
    kept_.emplace(std::move(made.value().folder));
    return R::success({});
}

R KeptAside::keep(const DestinationFolder& from, std::string_view relative)
{
    if (!kept_) {
        if (auto made = makeKeptFolder(); !made.ok()) {
            return made;
        }
    }
    const auto [parent, name] = splitRelative(relative);
    if (parent.empty()) {
        return from.moveEntry(name, *kept_, name);
    }
    auto into = platform::folderBelow(*kept_, parent, platform::Reach::Make);
    if (!into.ok()) {
        return R::failure(into.error());
    }
    return from.moveEntry(name, into.value(), name);
}

R KeptAside::putBack(const DestinationFolder& into, std::string_view relative)
{
    if (!kept_) {
        return R::failure({platform::FileErrorKind::NotFound, std::string(relative) + ": nothing kept"});
    }
    const auto [parent, name] = splitRelative(relative);
    if (parent.empty()) {
        return kept_->moveEntry(name, into, name);
    }
    auto from = platform::folderBelow(*kept_, parent, platform::Reach::Open);
    if (!from.ok()) {
        return R::failure(from.error());
    }
    return from.value().moveEntry(name, into, name);
}

std::optional<std::string> KeptAside::shownPath() const
{
    if (!kept_) {
        return std::nullopt;
    }
    return nativeSeparators(kept_->path());
}

} // namespace rv
