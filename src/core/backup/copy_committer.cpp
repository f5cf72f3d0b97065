#include "backup/copy_committer.h"

#include <system_error>
#include <utility>

namespace rv {
namespace {

// Settles every copy of the batch in place.
void flushAndRename(platform::WriteFlusher& flusher, std::vector<SettledCopy>& batch)
{
    std::vector<platform::PendingFile> files;
    files.reserve(batch.size());
    for (const SettledCopy& settled : batch) {
        files.push_back(settled.copy.file);
    }
    auto flushed = flusher.flush(files);
    for (SettledCopy& settled : batch) {
        if (!flushed.ok()) {
            settled.failure = CommitFailure{CopyReason::NotFlushed, flushed.error().detail};
        } else if (auto committed = platform::commit(settled.copy.file); !committed.ok()) {
            settled.failure = CommitFailure{reasonFor(committed.error().kind), committed.error().detail};
        }
        if (settled.failure) {
            if (auto removed = platform::discard(settled.copy.file); !removed.ok()) {
                settled.leftBehind = removed.error().detail;
            }
        }
    }
}

} // namespace

CopyCommitter::~CopyCommitter()
{
    if (inFlight_.valid()) {
        inFlight_.wait();
    }
    for (const PendingCopy& copy : waiting_) {
        static_cast<void>(platform::discard(copy.file)); // nobody is left to be told of one that stays
    }
}

void CopyCommitter::add(PendingCopy copy)
{
    waitingBytes_ += copy.file.bytes;
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

Result<platform::Done, platform::FileError> CopyCommitter::flushCommitted()
{
    finish();
    return flusher_.flush({});
}

void CopyCommitter::send()
{
    collect();
    if (waiting_.empty()) {
        return;
    }
    for (PendingCopy& copy : waiting_) {
        sending_.push_back({std::move(copy), std::nullopt, {}});
    }
    waiting_.clear();
    waitingBytes_ = 0;
    try {
        inFlight_ = std::async(std::launch::async, flushAndRename, std::ref(flusher_), std::ref(sending_));
    } catch (const std::system_error&) {
        // No thread to be had: the batch goes through here and now instead.
        flushAndRename(flusher_, sending_);
    }
}

void CopyCommitter::collect()
{
    if (inFlight_.valid()) {
        inFlight_.get();
    }
    for (SettledCopy& settled : sending_) {
        onSettled_(settled);
    }
    sending_.clear();
}

} // namespace rv
