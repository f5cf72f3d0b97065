#include "backup/copy_committer.h"

#include <span>
#include <system_error>
#include <utility>

namespace rv {
namespace {

void removeCopy(const platform::DestinationFolder& root, SettledCopy& settled)
{
    if (const auto* file = std::get_if<platform::PendingFile>(&settled.copy.entry)) {
        if (auto removed = platform::discard(root, *file); !removed.ok()) {
            settled.leftBehind = removed.error();
        }
    }
}

// Why nothing put in place can be called copied: the chosen folder is no
// longer where the user will look for it, or the flush failed.
std::optional<CommitFailure> flushFailure(const platform::DestinationFolder& root, platform::WriteFlusher& flusher,
                                          std::span<const platform::PendingFile* const> files)
{
    if (auto there = root.stillChosen(); !there.ok()) {
        return CommitFailure{BackupReason::DestinationGone, there.error().detail};
    }
    if (auto flushed = flusher.flush(root, files); !flushed.ok()) {
        return CommitFailure{BackupReason::NotFlushed, flushed.error().detail};
    }
    return std::nullopt;
}

void dropPaths(std::variant<platform::PendingFile, FilledFolder>& entry)
{
    if (auto* file = std::get_if<platform::PendingFile>(&entry)) {
        file->temporaryPath = std::string();
        file->targetPath = std::string();
    } else {
        entry = FilledFolder{};
    }
}

// Renames the copy over its target, unless the destination takes the
// target's name as that of a file this run already put in place.
std::optional<CommitFailure> placeCopy(const platform::DestinationFolder& root, BatchFolders& folders,
                                       PlacedNames& names, GenerationKeeper* keeper, const PendingCopy& copy)
{
    const auto& file = std::get<platform::PendingFile>(copy.entry);
    const bool planItem = copy.relativePath.empty();
    auto admitted = names.admit(root, file, planItem);
    if (!admitted.ok()) {
        return admitted.error();
    }
    const platform::HeldEntry target = folders.of(file.targetPath);
    if (keeper != nullptr) {
        if (auto kept = keeper->keepAside(file.targetPath, planItem, target); !kept.ok()) {
            return CommitFailure{BackupReason::EarlierCopyNotKept, kept.error().detail};
        }
    }
    if (auto committed = platform::commit(root, file, folders.of(file.temporaryPath), target); !committed.ok()) {
        return CommitFailure{committed.error().kind, committed.error().detail};
    }
    names.placed(admitted.value(), file, planItem);
    return std::nullopt;
}

// One flush gets the batch's data onto the device, and with it the renames of
// the batch before (placed); then each copy of the batch is put in place.
void flushAndRename(const platform::DestinationFolder& root, platform::WriteFlusher& flusher,
                    const ReadBackCheck& check, PlacedNames& names, GenerationKeeper* keeper,
                    std::vector<SettledCopy>& placed, std::vector<SettledCopy>& batch)
{
    std::vector<const platform::PendingFile*> files;
    files.reserve(batch.size());
    for (const SettledCopy& settled : batch) {
        if (const auto* file = std::get_if<platform::PendingFile>(&settled.copy.entry)) {
            files.push_back(file);
        }
    }
    const std::optional<CommitFailure> failure = flushFailure(root, flusher, files);
    for (SettledCopy& settled : placed) {
        settled.failure = failure;
    }
    BatchFolders folders(root);
    std::vector<CopyVerification> verifications =
        failure ? std::vector<CopyVerification>{} : verifyCopies(root, folders, files, check);
    auto verified = verifications.begin();
    for (SettledCopy& settled : batch) {
        if (failure) {
            settled.failure = failure;
        } else if (std::holds_alternative<platform::PendingFile>(settled.copy.entry)) {
            settled.readBack = verified->outcome;
            settled.failure = verified->failure ? std::move(verified->failure)
                                                : placeCopy(root, folders, names, keeper, settled.copy);
            ++verified;
        } else {
            const auto& folder = std::get<FilledFolder>(settled.copy.entry);
            if (auto looked = platform::applyFolderLook(root, folder.relativePath, folder.look); !looked.ok()) {
                settled.failure = CommitFailure{looked.error().kind, looked.error().detail};
            }
        }
        if (settled.failure) {
            removeCopy(root, settled);
        } else {
            // In place, a copy waits a batch more to be settled: the paths it
            // had on the way go now, what the record says of it stays.
            dropPaths(settled.copy.entry);
        }
    }
}

std::uint64_t bytesOf(const PendingCopy& copy)
{
    const auto* file = std::get_if<platform::PendingFile>(&copy.entry);
    return file != nullptr ? file->bytes : 0;
}

} // namespace

CopyCommitter::~CopyCommitter()
{
    if (inFlight_.valid()) {
        inFlight_.wait();
    }
    for (PendingCopy& copy : waiting_) {
        SettledCopy unsent{std::move(copy), {}, {}};
        removeCopy(root_, unsent); // nobody is left to be told of one that stays
    }
}

void CopyCommitter::add(PendingCopy copy)
{
    if (waiting_.empty()) {
        waiting_.reserve(limits_.files); // once: it is never grown by doubling
    }
    waitingBytes_ += bytesOf(copy);
    waiting_.push_back(std::move(copy));
    if (waiting_.size() >= limits_.files || waitingBytes_ >= limits_.bytes) {
        send();
    }
}

void CopyCommitter::finish()
{
    send();
    collect();
}

void CopyCommitter::settleAll()
{
    finish();
    // Also when nothing waits: the folders made are made durable too.
    const std::optional<CommitFailure> failure = flushFailure(root_, flusher_, {});
    std::vector<SettledCopy> settled = std::exchange(placed_, {});
    for (SettledCopy& copy : settled) {
        copy.failure = failure;
        onSettled_(copy);
    }
}

void CopyCommitter::send()
{
    collect();
    if (waiting_.empty()) {
        return;
    }
    sending_.reserve(waiting_.size());
    for (PendingCopy& copy : waiting_) {
        sending_.push_back({std::move(copy), std::nullopt, {}});
    }
    waiting_.clear();
    waitingBytes_ = 0;
    try {
        inFlight_ = std::async(std::launch::async, flushAndRename, std::cref(root_), std::ref(flusher_),
                               std::cref(check_), std::ref(names_), keeper_, std::ref(placed_), std::ref(sending_));
    } catch (const std::system_error&) {
        // No thread to be had: the batch goes through here and now instead.
        flushAndRename(root_, flusher_, check_, names_, keeper_, placed_, sending_);
    }
}

// The copies placed before this batch's flush are now final; so are the
// batch's failures. The batch's own renames wait for the next flush. No list
// of a batch is copied, and each keeps its room for the next batch: a batch
// holds up to 2,048 copies, and three lists of them at once are much of the
// run's memory.
void CopyCommitter::collect()
{
    if (inFlight_.valid()) {
        inFlight_.get();
    } else if (sending_.empty()) {
        return; // no batch since the last collect: the placed copies still wait for a flush
    }
    for (SettledCopy& copy : placed_) {
        onSettled_(copy);
    }
    placed_.clear();
    for (SettledCopy& copy : sending_) {
        if (copy.failure) {
            onSettled_(copy);
        } else {
            placed_.push_back(std::move(copy));
        }
    }
    sending_.clear();
}

} // namespace rv
