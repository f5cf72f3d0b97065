#include "backup/batch_folders.h"

namespace rv {

platform::HeldEntry BatchFolders::of(std::string_view relative)
{
    // The backup's own paths are "/"-separated on every system.
    const std::size_t slash = relative.rfind('/');
    if (slash == std::string_view::npos) {
        return {root_, relative};
    }
    const std::string_view folderPart = relative.substr(0, slash);
    const std::string_view name = relative.substr(slash + 1);
    if (const auto held = held_.find(folderPart); held != held_.end()) {
        return {held->second, name};
    }
    auto reached = platform::folderBelow(root_, folderPart, platform::Reach::Open);
    if (!reached.ok()) {
        return {root_, relative};
    }
    return {held_.emplace(std::string(folderPart), std::move(reached.value())).first->second, name};
}

} // namespace rv
