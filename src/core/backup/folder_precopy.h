#pragma once

#include "backup/backup_plan.h"
#include "backup/copy_committer.h"
#include "platform/file_copy.h"
#include "platform/file_system.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace rv {

// Copies the data folder's small files to temporary names while the single
// files before it are written: those wait on the device, these on the
// processor, so the two overlap (measured: a quarter off a clinic's backup).
// Nothing is put in place here and nothing is reported: at the folder's turn
// the run takes the ready copies in the listing's order, as if it had just
// made them, and copies the rest itself, so what a user sees, also after a
// cancel, is what the plain order gives. At most one batch is made ahead, so
// the extra room taken beside the earlier backup stays bounded.
class FolderPrecopy {
public:
    // Starts at once; listing must outlive this.
    FolderPrecopy(const CopyStep& step, const platform::TreeListing& listing, const std::atomic<bool>& cancel,
                  BatchLimits limits = {});
    FolderPrecopy(const FolderPrecopy&) = delete;
    FolderPrecopy& operator=(const FolderPrecopy&) = delete;
    ~FolderPrecopy();

    // Ends the copying ahead; what is ready stays ready. Call before take.
    void stop();
    // Ready copies not taken yet; after stop.
    bool holdsCopies() const { return taken_ < ready_.size(); }
    // Lets the copying ahead go as far as it may, then ends it: for tests,
    // which need to know what is ready.
    void finish();
    // The ready copy of the listing's entry, if there is one and its source
    // has not changed since. Entries are asked for in the listing's order;
    // ready copies of entries passed over are removed.
    std::optional<platform::PendingFile> take(std::size_t entry);
    // Ends the copying ahead and removes the ready copies not taken. Returns
    // what could not be removed, also of the copies that take turned down.
    std::vector<platform::FileError> discardRest();
    // For a run that never reached the folder: as discardRest, and the folder
    // is removed too if this made it.
    std::vector<platform::FileError> abandon();

private:
    void work();
    void discard(const platform::PendingFile& file);

    const CopyStep& step_;
    const platform::TreeListing& listing_;
    platform::FileCopier copier_;
    const std::atomic<bool>& cancel_;
    BatchLimits limits_;
    std::atomic<bool> stop_{false};
    bool madeFolder_ = false;
    struct ReadyCopy {
        std::size_t entry;
        platform::EntryInfo source; // as it was before the copy
        platform::PendingFile file;
    };

    std::vector<ReadyCopy> ready_; // in the listing's order
    std::size_t taken_ = 0;
    std::vector<platform::FileError> notRemoved_;
    std::thread worker_;
};

} // namespace rv
