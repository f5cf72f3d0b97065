#pragma once

#include "common/content_hash.h"
#include "platform/file_system.h"
#include "platform/source_tree.h"

#include <atomic>
#include <cstddef>
#include <memory>

namespace rv::platform {

// The size and times of an open source file as its handle gives them now.
Result<SourceStamp, FileError> stampOf(const SourceFile& file);

// Takes the digests of open source files one after another. Its buffer and
// hash state are kept from file to file: made again for each, they cost a
// night with nothing changed a second in the kernel over 20,000 files and
// scattered the heap. The owner keeps it, not the thread: a thread's own
// objects are freed at its end after their storage on Windows.
class SourceDigester {
public:
    // The digest of everything file holds, read from its start (holes read
    // as the zeros they are), without moving the place a copy of it reads
    // from: a file found changed is copied through the same handle. Stops
    // with Cancelled when cancel is set.
    Result<ContentDigest, FileError> digestOf(const SourceFile& file, const std::atomic<bool>* cancel);

private:
    // Every file is read through this megabyte, made on first use: a small
    // one in one read.
    static constexpr std::size_t kChunk = std::size_t{1} << 20;
    char* chunkBuffer()
    {
        if (!chunk_) {
            chunk_ = std::make_unique_for_overwrite<char[]>(kChunk);
        }
        return chunk_.get();
    }

    std::unique_ptr<char[]> chunk_;
    ContentHasher hasher_;
};

} // namespace rv::platform
