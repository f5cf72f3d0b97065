#include "exfat_disk.h"

#include "fault_injection.h"

#include <sys/mount.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <utility>

namespace rv::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kMakeFileSystem = "/usr/sbin/mkfs.exfat";
constexpr const char* kMountFuse = "/usr/sbin/mount.exfat-fuse";
constexpr const char* kLoopSetup = "/usr/sbin/losetup";

// Runs a tool of the bed; what it said when it failed.
std::optional<std::string> tool(const std::string& program, const std::vector<std::string>& arguments,
                                std::string* output = nullptr)
{
    const ChildOutcome ran = runProgram({false, std::nullopt, 30}, program, arguments);
    if (output != nullptr) {
        *output = ran.output;
    }
    if (ran.exitCode != 0) {
        return program + " failed (" + std::to_string(ran.exitCode) + "): " + ran.output;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> ExfatDisk::unavailable()
{
    if (auto reason = mountUnavailable()) {
        return reason;
    }
    for (const char* needed : {kMakeFileSystem, kMountFuse, kLoopSetup, "/dev/fuse"}) {
        if (!fs::exists(needed)) {
            return std::string("skipped: no ") + needed + " (exfatprogs, exfat-fuse, mount; a FUSE device)";
        }
    }
    return std::nullopt;
}

Result<ExfatDisk, std::string> ExfatDisk::mount(const fs::path& folder, const fs::path& imageFolder,
                                                std::uint64_t sizeBytes)
{
    using R = Result<ExfatDisk, std::string>;
    const fs::path image = imageFolder / "exfat.img";
    std::ofstream(image, std::ios::binary).close();
    fs::resize_file(image, sizeBytes);
    if (auto failed = tool(kMakeFileSystem, {image.string()})) {
        return R::failure(*failed);
    }
    // exfat-fuse mounts block devices only: the image goes on a loop device.
    std::string loop;
    if (auto failed = tool(kLoopSetup, {"--find", "--show", image.string()}, &loop)) {
        return R::failure("skipped: no loop device to be had (" + *failed + ")");
    }
    while (!loop.empty() && (loop.back() == '\n' || loop.back() == ' ')) {
        loop.pop_back();
    }
    ExfatDisk disk(folder, loop);
    if (auto failed = tool(kMountFuse, {loop, folder.string()})) {
        disk.folder_.clear(); // nothing mounted to take down
        return R::failure(*failed);
    }
    return R::success(std::move(disk));
}

ExfatDisk::ExfatDisk(ExfatDisk&& other) noexcept
    : folder_(std::move(other.folder_)), loop_(std::exchange(other.loop_, std::string()))
{
    other.folder_.clear();
}

ExfatDisk::~ExfatDisk()
{
    if (!folder_.empty()) {
        ::umount2(folder_.c_str(), 0);
    }
    if (!loop_.empty()) {
        // Detached once exfat-fuse lets go of it, if it still holds it.
        static_cast<void>(tool(kLoopSetup, {"--detach", loop_}));
    }
}

} // namespace rv::testing
