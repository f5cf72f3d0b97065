#pragma once

#include "platform/file_system.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rv::platform {

// How the bytes are moved. Automatic takes the fastest that the two file
// systems allow and falls back on its own; the others exist to measure and
// to test each way on its own.
enum class CopyMethod { Automatic, DirectWrite, CopyFileRange, Sendfile, ReadWrite };

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
// bytes go to a temporary file in the target's folder first.
class FileCopier {
public:
    explicit FileCopier(CopyMethod method = CopyMethod::Automatic) : method_(method) {}

    // On any failure or cancel the temporary file is gone and the target untouched.
    Result<PendingFile, FileError> copyToTemporary(std::string_view source, std::string_view target,
                                                   const CopyControl& control);

private:
    Result<std::uint64_t, FileError> copyBytes(int from, int to, bool direct, std::uint64_t expectedSize,
                                               const std::string& source, const std::string& temporary,
                                               const CopyControl& control);
    bool triesDirectWrite(std::uint64_t size) const;

    CopyMethod method_;
    // What the file systems of this run turned out not to support, so that it
    // is not tried again for every file.
    bool directRefused_ = false;
    bool copyRangeRefused_ = false;
    bool sendfileRefused_ = false;
    std::unique_ptr<char, void (*)(void*)> buffer_{nullptr, std::free}; // page-aligned, allocated on first use
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
