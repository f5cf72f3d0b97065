#include "generations/retention.h"

#include "generations/generation_layout.h"
#include "platform/local_time.h"
#include "record/backup_record.h"
#include "record/record_writer.h"

#include <chrono>
#include <deque>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::FileError;
using Removal = Result<platform::Done, FileError>;

// Room beyond the run's own bytes: its record, and the file system's own
// bookkeeping for the copies' names and folders.
std::uint64_t withMargin(std::uint64_t bytes) { return bytes + bytes / 64 + (std::uint64_t{1} << 20); }

// Removes the oldest generation for why; false when it could not be.
bool removeOldest(const DestinationFolder& root, std::deque<std::string>& generations, const std::string& why,
                  std::vector<RunNote>& notes, const std::atomic<bool>& cancel)
{
    const std::string name = generations.front();
    auto earlier = root.openFolder(kEarlierBackupsFolder);
    auto removed = earlier.ok() ? removeTree(earlier.value(), name, cancel) : Removal::failure(earlier.error());
    RunNote note{removed.ok() ? NoteKind::GenerationRemoved : NoteKind::GenerationNotRemoved, 1, name, why,
                 removed.ok() ? std::nullopt : std::optional<FileError>(removed.error())};
    const std::string line =
        platform::localTimeText(std::chrono::system_clock::now()) + "\t" + describeNote(note) + kLineEnd;
    if (auto written = appendToHistory(root, line); !written.ok()) {
        note.pointedTo += "。履歴には書けませんでした";
        note.cause = note.cause.value_or(written.error());
    }
    notes.push_back(std::move(note));
    if (removed.ok()) {
        generations.pop_front();
    }
    return removed.ok();
}

bool roomShort(const DestinationFolder& root, std::uint64_t needed, std::vector<RunNote>& notes)
{
    auto room = platform::freeSpace(root);
    if (!room.ok()) {
        notes.push_back({NoteKind::GenerationNotRemoved, 1, {}, "保存先の空きを調べられません", room.error()});
        return false;
    }
    return room.value() < needed;
}

} // namespace

std::vector<RunNote> removeOldGenerations(const DestinationFolder& root, const Retention& rule,
                                          const std::atomic<bool>& cancel)
{
    std::vector<RunNote> notes;
    auto listed = earlierGenerations(root);
    if (!listed.ok()) {
        notes.push_back({NoteKind::GenerationNotRemoved, 1, {}, "一覧を読めません", listed.error()});
        return notes;
    }
    std::deque<std::string> generations(listed.value().begin(), listed.value().end());
    // Room for the generation this run may make: at most keep stand after
    // it, but for the newest, which stays even when keep is 1.
    const std::size_t keep = rule.keep < 1 ? 1 : rule.keep;
    const std::string beyondCount = "保存する数 " + std::to_string(keep) + " を超えるため";
    while (generations.size() >= keep && generations.size() > 1 && !cancel.load()) {
        if (!removeOldest(root, generations, beyondCount, notes, cancel)) {
            return notes;
        }
    }
    const std::uint64_t needed = withMargin(rule.bytesToWrite);
    while (generations.size() > 1 && !cancel.load() && roomShort(root, needed, notes)) {
        if (!removeOldest(root, generations, "保存先の空きを作るため", notes, cancel)) {
            return notes;
        }
    }
    return notes;
}

Removal removeTree(const DestinationFolder& parent, const std::string& name, const std::atomic<bool>& cancel)
{
    auto folder = parent.openFolder(name);
    if (!folder.ok()) {
        // A file, or a link (to a folder too): removed as what it is there.
        auto removed = parent.removeFile(name);
        if (!removed.ok() && parent.removeEmptyFolder(name).ok()) {
            return Removal::success({}); // a link to a folder that Windows removes as a folder
        }
        return removed;
    }
    std::vector<std::string> names;
    auto listed = folder.value().forEachName([&names](std::string_view inside) { names.emplace_back(inside); });
    if (!listed.ok()) {
        return listed;
    }
    for (const std::string& inside : names) {
        if (cancel.load()) {
            return Removal::failure({platform::FileErrorKind::Cancelled, folder.value().path()});
        }
        if (auto removed = removeTree(folder.value(), inside, cancel); !removed.ok()) {
            return removed;
        }
    }
    return parent.removeEmptyFolder(name);
}

} // namespace rv
