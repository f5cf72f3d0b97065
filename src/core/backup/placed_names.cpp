#include "backup/placed_names.h"

#include "common/path_text.h"
#include "platform/file_system.h"
#include "platform/temporary_names.h"

#include <functional>

namespace rv {

using platform::DestinationFolder;
using platform::EntryStamp;

namespace {

CommitFailure failureOf(const platform::FileError& error) { return {error.kind, error.detail}; }

} // namespace

bool PlacedNames::mayReplace(const Identity& placed, std::string_view target, bool planItem) const
{
    if (identities_.at(placed) == std::hash<std::string_view>{}(target)) {
        return true; // the very same name
    }
    const auto item = planItems_.find(placed);
    return planItem && item != planItems_.end() && platform::sameName(item->second, target);
}

Result<EntryStamp, CommitFailure> PlacedNames::admit(const DestinationFolder& root, const platform::PendingFile& file,
                                                     bool planItem) const
{
    using R = Result<EntryStamp, CommitFailure>;
    const std::lock_guard lock(mutex_);
    auto copy = platform::stampAt(root, file.temporaryPath);
    if (!copy.ok() || !copy.value()) {
        return R::failure(
            copy.ok() ? CommitFailure{platform::FileErrorKind::NotWritable, root.pathOf(file.temporaryPath) + ": gone"}
                      : failureOf(copy.error()));
    }
    auto there = platform::stampAt(root, file.targetPath);
    if (!there.ok()) {
        return R::failure(failureOf(there.error()));
    }
    const CommitFailure taken{BackupReason::NameTakenAsOne,
                              root.pathOf(file.targetPath) + ": taken as the name of a file this run wrote"};
    if (!there.value()) {
        return R::success(*copy.value());
    }
    const EntryStamp& target = *there.value();
    if (const Identity identity{target.volume, target.index}; identities_.contains(identity)) {
        return mayReplace(identity, file.targetPath, planItem) ? R::success(*copy.value()) : R::failure(taken);
    }
    if (!looks_.contains({target.size, target.modified})) {
        return R::success(*copy.value()); // none of this run's files
    }
    auto listed = platform::listedAsSpelled(root, file.targetPath);
    if (!listed.ok()) {
        return R::failure(failureOf(listed.error()));
    }
    return listed.value() ? R::success(*copy.value()) : R::failure(taken);
}

void PlacedNames::placed(const EntryStamp& copy, const platform::PendingFile& file, bool planItem)
{
    kept(copy, file.targetPath, planItem);
}

void PlacedNames::kept(const EntryStamp& copy, const std::string& target, bool planItem)
{
    const std::lock_guard lock(mutex_);
    identities_[{copy.volume, copy.index}] = std::hash<std::string_view>{}(target);
    if (planItem) {
        planItems_[{copy.volume, copy.index}] = target;
    }
    looks_.emplace(copy.size, copy.modified);
}

void MadeFolders::add(const DestinationFolder& root, const DestinationFolder& made, std::string_view name)
{
    names_.emplace_back(name);
    if (auto stamp = platform::stampAt(root, made.relativePath()); stamp.ok() && stamp.value()) {
        identities_.emplace(stamp.value()->volume, stamp.value()->index);
    }
    if (listing_) {
        listing_->emplace(name);
    }
}

Result<bool, CommitFailure> MadeFolders::includes(const DestinationFolder& root, const DestinationFolder& parent,
                                                  const DestinationFolder& made, std::string_view name)
{
    using R = Result<bool, CommitFailure>;
    if (names_.empty()) {
        return R::success(false);
    }
    auto self = platform::stampAt(root, made.relativePath());
    if (!self.ok() || !self.value()) {
        return R::failure(self.ok() ? CommitFailure{platform::FileErrorKind::NotWritable, made.path() + ": gone"}
                                    : failureOf(self.error()));
    }
    if (identities_.contains({self.value()->volume, self.value()->index})) {
        return R::success(true);
    }
    if (!listing_) {
        listing_.emplace();
        if (auto listed = parent.forEachName([this](std::string_view entry) { listing_->emplace(entry); });
            !listed.ok()) {
            listing_.reset();
            return R::failure(failureOf(listed.error()));
        }
    }
    if (listing_->contains(name)) {
        return R::success(false); // an entry of its own
    }
    // Reached by another spelling of a name listed there: is it one of this run's?
    const std::string probe = platform::temporaryName();
    auto probeMade = made.makeFolder(probe);
    if (!probeMade.ok()) {
        return R::failure(failureOf(probeMade.error()));
    }
    bool seen = false;
    for (const std::string& sibling : names_) {
        auto inside = platform::stampAt(root, joinRelative(joinRelative(parent.relativePath(), sibling), probe));
        seen = seen || (inside.ok() && inside.value());
    }
    if (auto removed = made.removeEmptyFolder(probe); !removed.ok()) {
        return R::failure(failureOf(removed.error()));
    }
    return R::success(seen);
}

} // namespace rv
