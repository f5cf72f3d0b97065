#pragma once

#include "platform/file_copy.h"
#include "platform/owned_handle.h"
#include "platform/posix/copy_method_posix.h"
#include "platform/posix/file_errors_posix.h"
#include "platform/posix/page_buffer_posix.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace rv::platform {

// The steps of a copy (platform/copy_to_temporary.h), and what is kept between copies.
// The copier's own steps are in file_copy_posix.cpp, the moving of the data in
// copy_data_posix.cpp.
struct FileCopier::State {
    struct Plan {
        struct stat info;
        bool direct; // written past the page cache
    };
    Result<Plan, FileError> examine(int from, const std::string& source) const;
    static std::uint64_t sizeOf(const Plan& plan) { return static_cast<std::uint64_t>(plan.info.st_size); }
    static std::uint64_t modifiedOf(const Plan& plan)
    {
        return static_cast<std::uint64_t>(plan.info.st_mtim.tv_sec) * 1000000000U +
               static_cast<std::uint64_t>(plan.info.st_mtim.tv_nsec);
    }
    Result<OwnedHandle, FileError> create(const DestinationFolder& folder, const std::string& name, Plan& plan,
                                          bool& taken);
    Result<std::uint64_t, FileError> copyData(int from, int to, const Plan& plan, OffsetHasher& hasher,
                                              const std::string& source, const std::string& temporary,
                                              const CopyControl& control);
    static bool changedSince(int from, const Plan& plan);
    std::optional<FileError> keepLook(int to, const Plan& plan, const std::string& temporary) const;
    static FileError closeError(const std::string& temporary) { return destinationError(errno, temporary); }
    static void drop(const DestinationFolder& folder, const std::string& name, OwnedHandle& to);

    bool triesDirectWrite(std::uint64_t size) const;
    Result<std::uint64_t, FileError> copyBytes(int from, int to, bool direct, std::uint64_t start, std::uint64_t length,
                                               OffsetHasher& hasher, const std::string& source,
                                               const std::string& temporary, const CopyControl& control);
    Result<std::size_t, FileError> readWriteStep(int from, int to, bool& direct, std::size_t chunk, std::uint64_t at,
                                                 OffsetHasher& hasher, const std::string& source,
                                                 const std::string& temporary, const CopyControl& control);
    Result<Done, FileError> hashKernelCopy(int from, std::uint64_t at, std::size_t count, OffsetHasher& hasher,
                                           const std::string& source, const std::string& temporary,
                                           const CopyControl& control);
    char* ensureBuffer();

    CopyMethod method = CopyMethod::Automatic;
    // What the file systems of this run turned out not to support, so that it
    // is not tried again for every file.
    bool directRefused = false;
    bool copyRangeRefused = false;
    bool sendfileRefused = false;
    PageBuffer buffer;              // allocated on first use
    bool asRoot = ::geteuid() == 0; // which may give a copy its source's owner
};

// A source that takes less room on its disk than its size has holes.
bool isSparse(const struct stat& info);

} // namespace rv::platform
