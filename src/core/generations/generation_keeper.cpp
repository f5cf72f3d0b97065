#include "generations/generation_keeper.h"

#include "generations/generation_layout.h"
#include "platform/read_back.h"
#include "record/backup_record.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::Done;
using platform::FileError;
using platform::FileErrorKind;
using R = Result<Done, FileError>;

// A name for a new generation that sorts after every one there: runs within
// one minute share a name and are told apart by number, and a number freed
// when an older one was removed is not taken again.
std::string newestGenerationName(const std::string& name, std::vector<std::string> taken)
{
    const std::string open = name + "（";
    const std::string close = "）";
    std::size_t highest = 0;
    for (const std::string& other : taken) {
        if (other == name) {
            highest = std::max<std::size_t>(highest, 1);
        } else if (other.starts_with(open) && other.ends_with(close) && isGenerationName(other)) {
            std::size_t number = 0;
            const char* digits = other.data() + open.size();
            std::from_chars(digits, other.data() + other.size() - close.size(), number); // too large: 0
            highest = std::max(highest, number);
        }
    }
    for (std::size_t number = 1; number < highest; ++number) {
        if (number == 1) {
            taken.push_back(name);
            continue;
        }
        std::string numbered = open;
        numbered += std::to_string(number);
        numbered += close;
        taken.push_back(std::move(numbered));
    }
    return unusedGenerationName(name, taken);
}

} // namespace

GenerationKeeper::GenerationKeeper(const DestinationFolder& root, std::string name)
    : root_(root), name_(std::move(name))
{
}

R GenerationKeeper::keepAside(const std::string& target, bool planItem, const platform::HeldEntry& where)
{
    if (planItem && planTargets_.contains(target)) {
        return R::success({});
    }
    // Only a regular file there is a copy an earlier run left. Nothing there
    // is nothing to keep; a link is replaced by the copy as always, and
    // anything else (a folder) is met by the rename, which fails.
    if (platform::openFileBelow(where.folder, where.inFolder).ok()) {
        if (!generation_) {
            if (auto made = makeGeneration(); !made.ok()) {
                return made;
            }
        }
        const std::size_t slash = target.rfind('/');
        const DestinationFolder* from = &root_;
        const DestinationFolder* into = &*generation_;
        if (slash != std::string::npos) {
            if (auto reached = reachParent(target.substr(0, slash)); !reached.ok()) {
                return reached;
            }
            from = &*fromParent_;
            into = &*intoParent_;
        }
        const std::string name = target.substr(slash == std::string::npos ? 0 : slash + 1);
        auto moved = from->moveEntry(name, *into, name);
        if (!moved.ok() && moved.error().kind != FileErrorKind::NotFound) {
            return moved;
        }
    }
    if (planItem) {
        planTargets_.insert(target);
    }
    return R::success({});
}

R GenerationKeeper::makeGeneration()
{
    auto earlier = root_.makeFolder(kEarlierBackupsFolder);
    if (!earlier.ok()) {
        return R::failure(earlier.error());
    }
    std::vector<std::string> taken;
    auto listed = earlier.value().folder.forEachName([&taken](std::string_view name) { taken.emplace_back(name); });
    if (!listed.ok()) {
        return R::failure(listed.error());
    }
    const std::string name = newestGenerationName(name_, std::move(taken));
    auto made = earlier.value().folder.makeFolder(name);
    if (!made.ok()) {
        return R::failure(made.error());
    }
    // The record goes first: a generation holds the record its files belong to.
    auto moved = root_.moveEntry(kRecordFileName, made.value().folder, kRecordFileName);
    if (!moved.ok() && moved.error().kind != FileErrorKind::NotFound) {
        return moved;
    }
    generation_.emplace(std::move(made.value().folder));
    made_ = name;
    return R::success({});
}

R GenerationKeeper::reachParent(const std::string& parent)
{
    if (fromParent_ && intoParent_ && parent == parent_) {
        return R::success({});
    }
    fromParent_.reset();
    intoParent_.reset();
    auto from = platform::folderBelow(root_, parent, platform::Reach::Open);
    if (!from.ok()) {
        return R::failure(from.error());
    }
    auto into = platform::folderBelow(*generation_, parent, platform::Reach::Make);
    if (!into.ok()) {
        return R::failure(into.error());
    }
    fromParent_.emplace(std::move(from.value()));
    intoParent_.emplace(std::move(into.value()));
    parent_ = parent;
    return R::success({});
}

} // namespace rv
