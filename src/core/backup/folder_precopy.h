#pragma once

#include "backup/copy_committer.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"
#include "platform/source_tree.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace rv {

// Copies the data folder's small files to temporary names while the single
// files before it are written: those wait on the device, these on the
// processor, so the two overlap (measured: a quarter off a clinic's backup).
// Nothing is put in place here and nothing is reported: at the folder's turn
// the run's own walk takes a ready copy when it reaches its file, as if it
// had just made it, and copies the rest itself, so what a user sees, also
// after a cancel, is what the plain order gives. No more is made ahead than
// the limits given, so the extra room taken beside the earlier backup stays
// bounded.
class FolderPrecopy {
public:
    // Which files are left to the run's own walk: those it may find
    // unchanged, which are read rather than copied. Called on the worker's
    // thread with the file's path inside the data folder and its size.
    using LeftToWalk = std::function<bool(const std::string& relativePath, std::uint64_t size)>;

    // Starts at once. root is the chosen folder and into the data folder's
    // copy in it; both must outlive this.
    FolderPrecopy(const platform::DestinationFolder& root, const platform::DestinationFolder& into, std::string source,
                  const std::atomic<bool>& cancel, BatchLimits limits = {}, LeftToWalk leftToWalk = {});
    FolderPrecopy(const FolderPrecopy&) = delete;
    FolderPrecopy& operator=(const FolderPrecopy&) = delete;
    ~FolderPrecopy();

    // Ends the copying ahead; what is ready stays ready. Call before take.
    void stop();
    // Ready copies not taken yet; after stop.
    bool holdsCopies() const { return !ready_.empty(); }
    // Lets the copying ahead go as far as it may, then ends it: for tests,
    // which need to know what is ready.
    void finish();
    // The ready copy of the data folder's file at relativePath, if there is
    // one and the file is still the one copied: listed now is what the run's
    // own walk finds there (the same file, its size, times and attributes).
    // Its target is for the caller to set.
    std::optional<platform::PendingFile> take(const std::string& relativePath, const platform::SourceStamp& listed);
    // Ends the copying ahead and removes the ready copies not taken. Returns
    // what could not be removed, also of the copies that take turned down.
    std::vector<LeftBehind> discardRest();

private:
    void work();
    void discard(const platform::PendingFile& file);

    struct ReadyCopy {
        platform::SourceStamp listed; // the file as it was before the copy
        platform::PendingFile file;
    };

    const platform::DestinationFolder& root_;
    const platform::DestinationFolder& into_;
    std::string source_;
    platform::FileCopier copier_;
    const std::atomic<bool>& cancel_;
    BatchLimits limits_;
    LeftToWalk leftToWalk_;
    std::atomic<bool> stop_{false};
    std::unordered_map<std::string, ReadyCopy> ready_; // by relative path
    std::vector<LeftBehind> notRemoved_;
    std::thread worker_;
};

} // namespace rv
