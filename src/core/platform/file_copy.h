#pragma once

#include "common/content_hash.h"
#include "platform/destination_folder.h"
#include "platform/file_system.h"
#include "platform/source_tree.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rv::platform {

struct CopyControl {
    const std::atomic<bool>* cancel = nullptr; // checked between chunks
    std::function<void(std::uint64_t bytesCopiedOfThisFile)> onBytes;
};

// A complete copy under a temporary name, not yet in place. Both paths are
// relative to the chosen folder, and are reached from it, never through a link.
struct PendingFile {
    std::string temporaryPath;
    std::string targetPath;
    std::uint64_t bytes = 0;
    // The copy has its source's content and times, but not all of its
    // permissions or owner: the destination's file system may hold none
    // (FAT). Never more open than its source: the copy is then private.
    std::optional<FileError> lookNotKept;
    // Of the source's bytes as they were copied, holes read as zeros: what a
    // read of the copy must give.
    ContentDigest digest;
    std::uint64_t modified = 0; // the source's last write, as SourceStamp::modified gives it
};

// Copies files so that the target is replaced only by a complete copy: the
// bytes go to a temporary file first. Holes of a sparse source stay holes.
// How the bytes are moved is the platform's own business; on POSIX a copier
// bound to one way, for tests and measurements, comes from
// platform/posix/copy_method_posix.h.
class FileCopier {
public:
    FileCopier();
    FileCopier(FileCopier&& other) noexcept;
    FileCopier& operator=(FileCopier&& other) noexcept;
    FileCopier(const FileCopier&) = delete;
    FileCopier& operator=(const FileCopier&) = delete;
    ~FileCopier();

    // Copies source to a temporary file in folder, to take the place of name
    // there. On any failure or cancel the temporary file is gone and the
    // target untouched. source may be given again after a failure.
    Result<PendingFile, FileError> copyToTemporary(const SourceFile& source, const DestinationFolder& folder,
                                                   std::string_view name, const CopyControl& control);

    // What the platform keeps between copies (defined by each implementation).
    struct State;
    explicit FileCopier(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> state_;
};

// Puts a pending copy in place of its target in one step; a link at the
// target's name is replaced, not written through. root is the chosen folder.
Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending);
// As above, with the folders of the copy and of its target already open:
// copy and target are the same entries by them. Where the system renames by
// path alone (Windows), the paths are taken from root as above.
Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending, const HeldEntry& copy,
                               const HeldEntry& target);

// Removes a pending copy that will not be used.
Result<Done, FileError> discard(const DestinationFolder& root, const PendingFile& pending);

// Gets written data onto the device of one destination folder, so that a disk
// pulled after the run holds it.
class WriteFlusher {
public:
    static Result<WriteFlusher, FileError> open(std::string_view destinationFolder);
    // Makes the pending files' data, and everything committed so far
    // (renames, new folders), durable. A failure means some of it may not be.
    Result<Done, FileError> flush(const DestinationFolder& root, std::span<const PendingFile* const> pending);

private:
    explicit WriteFlusher(OwnedHandle handle) : handle_(std::move(handle)) {}
    OwnedHandle handle_; // none where flushing needs no handle of its own
};

} // namespace rv::platform
