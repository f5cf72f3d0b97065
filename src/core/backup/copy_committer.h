#pragma once

#include "backup/copy_reason.h"
#include "backup/copy_verification.h"
#include "backup/placed_names.h"
#include "generations/generation_keeper.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace rv {

// A flush per file costs a device flush each (measured: a backup of 20,000
// files took twice as long as cp + sync); a batch bounds the extra room the
// temporary copies take beside the earlier backup. Batches this small keep the
// flush, read-back and renames of one within the copying of the next, and
// leave little to read back after the last copy (measured: 8,192 files or
// 256 MB left the copier waiting 1.3 s of a 5.7 s backup, these 0.4 s).
struct BatchLimits {
    std::size_t files = 2048;
    std::uint64_t bytes = std::uint64_t{64} << 20;
};

// A folder of the backup whose copies have all been handed over: it takes
// its source folder's look once they are in place.
struct FilledFolder {
    std::string relativePath; // inside the chosen folder
    platform::FolderLook look;
};

// What a batch carries, in the order it was added: a complete copy under its
// temporary name, or a filled folder.
struct PendingCopy {
    std::variant<platform::PendingFile, FilledFolder> entry;
    std::size_t step;
    std::string relativePath; // inside the data folder; empty for a single file
};

// A copy that could not be removed: the path inside the chosen folder of
// what it was to become, and why.
struct LeftBehind {
    std::string target;
    platform::FileError error;
};

// A copy whose outcome is final: in place and on the device, or not and why.
struct SettledCopy {
    PendingCopy copy;
    std::optional<CommitFailure> failure;
    std::optional<platform::FileError> leftBehind; // why the copy, not put in place, could not be removed
    ReadBackOutcome readBack = ReadBackOutcome::NotRead;
};

// Puts complete copies in place in batches: one flush for the whole batch,
// then each copy is read back from the device and compared (when asked) and
// renamed over its target, so none replaces its target before its data is
// on the device and found right there; a copy found wrong is removed and the
// earlier copy stays. A copy whose target's name the destination takes as
// that of a file this run already put in place (a disk that ignores case) is
// not renamed: it would replace that file. A full batch goes to the device,
// and is read back, on a thread of its own while the next batch is copied:
// the reading waits on the disk while the copying of small files keeps the
// processor busy. Only one batch is in flight, so the temporary copies never
// take more than two batches' room beside the earlier backup. The renames
// reach the device with the next flush: only then is a copy settled, so that
// what is reported as copied is there whatever happens to the machine next.
//
// The committer owns the destination's flusher, so that a batch in flight
// always has it: however the run ends, even by an exception, the committer
// waits for that batch before the flusher goes.
class CopyCommitter {
public:
    // root is the chosen folder, which the copies' paths start from; it must
    // outlive the committer. onSettled is called on the caller's thread, from
    // add, finish and settleAll, for each copy once its outcome is final.
    CopyCommitter(const platform::DestinationFolder& root, platform::WriteFlusher flusher,
                  std::function<void(SettledCopy&)> onSettled, BatchLimits limits = {}, ReadBackCheck check = {})
        : root_(root), flusher_(std::move(flusher)), onSettled_(std::move(onSettled)), limits_(limits),
          check_(std::move(check))
    {
    }
    CopyCommitter(const CopyCommitter&) = delete;
    CopyCommitter& operator=(const CopyCommitter&) = delete;
    // Waits for the batch in flight. Copies that never went out in a batch
    // (the run ended without settleAll) are removed, their targets untouched.
    ~CopyCommitter();

    // What a copy replaces is moved aside by keeper (which must outlive the
    // committer) just before the copy is renamed into place; without one it
    // is replaced. Before the first add.
    void keepReplacedIn(GenerationKeeper& keeper) { keeper_ = &keeper; }

    // A copy an earlier run left at target is kept as it is: no copy of
    // another name the destination takes as its own may replace it.
    void keptInPlace(const platform::EntryStamp& copy, const std::string& target, bool planItem)
    {
        names_.kept(copy, target, planItem);
    }

    void add(PendingCopy copy);
    // Sends what is waiting and returns once every batch is through: every
    // copy is in place or settled as failed. The committer takes copies
    // again afterwards.
    void finish();
    // Copies added and not yet through a batch.
    bool hasPending() const { return !waiting_.empty() || inFlight_.valid(); }
    // As finish, then makes what was put in place durable: every copy added
    // is settled when this returns.
    void settleAll();

private:
    void send();
    void collect();

    const platform::DestinationFolder& root_;
    platform::WriteFlusher flusher_;
    std::vector<PendingCopy> waiting_;
    std::uint64_t waitingBytes_ = 0;
    std::function<void(SettledCopy&)> onSettled_;
    BatchLimits limits_;
    ReadBackCheck check_;
    PlacedNames names_;                  // used by the batch in flight, and by keptInPlace
    GenerationKeeper* keeper_ = nullptr; // likewise
    std::vector<SettledCopy> placed_;    // in place, until the next flush gets them onto the device
    std::vector<SettledCopy> sending_;   // the batch in flight
    std::future<void> inFlight_;
};

} // namespace rv
