#pragma once

#include "backup/batch_folders.h"
#include "backup/copy_reason.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"

#include <atomic>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace rv {

// Whether and how the copies are read back from the device before they take
// their targets' place.
struct ReadBackCheck {
    bool enabled = true;
    // A cancel stops the reading: the rest of the batch goes in place unread.
    const std::atomic<bool>* cancel = nullptr;
    // Called between the flush and the read-back of each copy: where a test
    // changes a byte on the disk.
    std::function<void(const platform::DestinationFolder& root, const platform::PendingFile& copy)> beforeReadBack;
};

enum class ReadBackOutcome {
    NotRead,      // not asked for, or a cancel came first
    FromDevice,   // read past the system's cache
    CacheDropped, // the file system refused that: read after its cached pages were dropped
};

struct CopyVerification {
    ReadBackOutcome outcome = ReadBackOutcome::NotRead;
    std::optional<CommitFailure> failure; // the copy is not what was read from the source
};

// Reads flushed copies back and compares each one's size and digest with
// what its source gave while it was copied; the outcomes come in the order of
// copies. A small file's read waits on the device more than it reads, so
// several are read at a time. Each copy is read from its folder as folders
// holds it; root is the chosen folder.
std::vector<CopyVerification> verifyCopies(const platform::DestinationFolder& root, BatchFolders& folders,
                                           std::span<const platform::PendingFile* const> copies,
                                           const ReadBackCheck& check);

} // namespace rv
