#pragma once

#include "common/result.h"

#include <filesystem>
#include <optional>
#include <string>

// A real exFAT file system, as a USB stick is formatted: an image made by
// mkfs.exfat on a loop device, mounted through exfat-fuse on a folder for
// the length of a test, and taken down by the destructor.
namespace rv::testing {

class ExfatDisk {
public:
    // Why it cannot be had here ("skipped: ..."), or nothing.
    static std::optional<std::string> unavailable();

    // A disk of sizeBytes mounted on folder (which must exist and be empty);
    // its image lies in imageFolder.
    static Result<ExfatDisk, std::string> mount(const std::filesystem::path& folder,
                                                const std::filesystem::path& imageFolder, std::uint64_t sizeBytes);

    ExfatDisk(ExfatDisk&& other) noexcept;
    ExfatDisk& operator=(ExfatDisk&&) = delete;
    ExfatDisk(const ExfatDisk&) = delete;
    ExfatDisk& operator=(const ExfatDisk&) = delete;
    ~ExfatDisk();

private:
    ExfatDisk(std::filesystem::path folder, std::string loop) : folder_(std::move(folder)), loop_(std::move(loop)) {}

    std::filesystem::path folder_;
    std::string loop_; // the loop device; empty once moved from
};

} // namespace rv::testing
