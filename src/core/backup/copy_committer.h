#pragma once

#include "backup/copy_reason.h"
#include "platform/file_copy.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <vector>

namespace rv {

// A flush per file costs a device flush each (measured: a backup of 20,000
// files took twice as long as cp + sync); a batch bounds the extra room the
// temporary copies take beside the earlier backup.
struct BatchLimits {
    std::size_t files = 8192;
    std::uint64_t bytes = std::uint64_t{256} << 20;
};

// A complete copy under its temporary name, waiting for the flush of its batch.
struct PendingCopy {
    platform::PendingFile file;
    std::size_t step;
    std::string relativePath; // inside the data folder; empty for a single file
};

struct CommitFailure {
    CopyReason reason;
    std::string detail;
};

// A copy whose batch went through: renamed into place, or not and why.
struct SettledCopy {
    PendingCopy copy;
    std::optional<CommitFailure> failure;
    std::string leftBehind; // a temporary file that could not be removed
};

// Puts complete copies in place in batches: one flush for the whole batch,
// then each copy is renamed over its target, so none replaces its target
// before its data is on the device. A full batch goes to the device on a
// thread of its own while the next batch is copied; only one is in flight,
// so the temporary copies never take more than two batches' room beside the
// earlier backup.
//
// The committer owns the destination's flusher, so that a batch in flight
// always has it: however the run ends, even by an exception, the committer
// waits for that batch before the flusher goes.
class CopyCommitter {
public:
    // onSettled is called on the caller's thread, from add and finish, for
    // each copy of a batch once the batch is through.
    CopyCommitter(platform::WriteFlusher flusher, std::function<void(SettledCopy&)> onSettled, BatchLimits limits = {})
        : flusher_(std::move(flusher)), onSettled_(std::move(onSettled)), limits_(limits)
    {
    }
    CopyCommitter(const CopyCommitter&) = delete;
    CopyCommitter& operator=(const CopyCommitter&) = delete;
    // Waits for the batch in flight. Copies that never went out in a batch
    // (the run ended without finish) are removed, their targets untouched.
    ~CopyCommitter();

    void add(PendingCopy copy);
    // Sends what is waiting and returns once every batch is settled. The
    // committer takes copies again afterwards.
    void finish();
    // Copies added and not yet settled.
    bool hasPending() const { return !waiting_.empty() || inFlight_.valid(); }
    // After finish: makes what was put in place so far (renames, new folders)
    // durable. A failure means some of it may not be.
    Result<platform::Done, platform::FileError> flushCommitted();

private:
    void send();
    void collect();

    platform::WriteFlusher flusher_;
    std::vector<PendingCopy> waiting_;
    std::uint64_t waitingBytes_ = 0;
    std::function<void(SettledCopy&)> onSettled_;
    BatchLimits limits_;
    std::vector<SettledCopy> sending_; // the batch in flight
    std::future<void> inFlight_;
};

} // namespace rv
