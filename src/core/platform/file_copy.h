#pragma once

#include "platform/file_system.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rv::platform {

struct CopyControl {
    const std::atomic<bool>* cancel = nullptr; // checked between chunks
    std::function<void(std::uint64_t bytesCopiedOfThisFile)> onBytes;
};

// A complete copy under a temporary name beside its target, not yet in place.
struct PendingFile {
    std::string temporaryPath;
    std::string targetPath;
    std::uint64_t bytes = 0;
};

// Copies files so that the target is replaced only by a complete copy: the
// bytes go to a temporary file in the target's folder first. How the bytes
// are moved is the platform's own business; on POSIX a copier bound to one
// way, for tests and measurements, comes from platform/posix/copy_method_posix.h.
class FileCopier {
public:
    FileCopier();
    FileCopier(FileCopier&& other) noexcept;
    FileCopier& operator=(FileCopier&& other) noexcept;
    FileCopier(const FileCopier&) = delete;
    FileCopier& operator=(const FileCopier&) = delete;
    ~FileCopier();

    // On any failure or cancel the temporary file is gone and the target untouched.
    Result<PendingFile, FileError> copyToTemporary(std::string_view source, std::string_view target,
                                                   const CopyControl& control);

    // What the platform keeps between copies (defined by each implementation).
    struct State;
    explicit FileCopier(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> state_;
};

// Puts a pending copy in place of its target in one step.
Result<Done, FileError> commit(const PendingFile& pending);

// Removes a pending copy that will not be used.
Result<Done, FileError> discard(const PendingFile& pending);

// Gets written data onto the device of one destination folder, so that a disk
// pulled after the run holds it.
class WriteFlusher {
public:
    static Result<WriteFlusher, FileError> open(std::string_view destinationFolder);
    WriteFlusher(WriteFlusher&& other) noexcept;
    WriteFlusher& operator=(WriteFlusher&& other) noexcept;
    WriteFlusher(const WriteFlusher&) = delete;
    WriteFlusher& operator=(const WriteFlusher&) = delete;
    ~WriteFlusher();

    // Makes the pending files' data, and everything committed so far
    // (renames, new folders), durable. A failure means some of it may not be.
    Result<Done, FileError> flush(std::span<const PendingFile> pending);

private:
    explicit WriteFlusher(std::intptr_t handle) : handle_(handle) {}
    std::intptr_t handle_;
};

} // namespace rv::platform
