#pragma once

#include "common/result.h"
#include "platform/file_system.h"

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Faults provoked through the operating system, not mocked: file systems
// mounted, made read-only and pulled away, a process without privileges or
// with a cap on file sizes. Everything set up here is undone by its owner's
// destructor, also when a test fails half-way.
namespace rv::testing {

// Why a file system cannot be mounted here ("skipped: needs root ..."), or
// nothing when it can. Tests that need a mount skip with this text.
std::optional<std::string> mountUnavailable();

// A file system mounted on an existing folder for the length of a test.
class Mount {
public:
    // A tmpfs of sizeBytes: a small disk that fills up.
    static Result<Mount, std::string> tmpfs(const std::filesystem::path& folder, std::uint64_t sizeBytes);
    // The folder source seen a second time under folder: another name for the same place.
    static Result<Mount, std::string> bind(const std::filesystem::path& source, const std::filesystem::path& folder);

    Mount(Mount&& other) noexcept;
    Mount& operator=(Mount&& other) = delete;
    Mount(const Mount&) = delete;
    Mount& operator=(const Mount&) = delete;
    ~Mount();

    // From now on nothing can be written there, not even by root.
    Result<platform::Done, std::string> remountReadOnly();

    // As when a disk is pulled and the desktop tidies up: the file system is
    // detached at once (files still open on it stay usable) and its mount
    // point is removed, so that its paths lead nowhere.
    Result<platform::Done, std::string> pullOut();

    // The root of the mounted file system, reachable even after pullOut().
    std::filesystem::path root() const;

private:
    Mount(std::filesystem::path folder, int rootHandle) : folder_(std::move(folder)), rootHandle_(rootHandle) {}

    std::filesystem::path folder_;
    int rootHandle_ = -1; // keeps the file system reachable for checks after it is detached
    bool mounted_ = true;
};

// What a job in a child process left: its exit code and what it wrote.
struct ChildOutcome {
    int exitCode = -1;
    std::string output;
};

struct ChildLimits {
    // Run as the unprivileged user "nobody" (when this process is root;
    // otherwise this process's own user already lacks root's overrides).
    bool unprivileged = false;
    // RLIMIT_FSIZE: no file may grow beyond this; writes past it fail with EFBIG.
    std::optional<std::uint64_t> maxFileBytes;
    // A child still at work after this long is killed (exit code 128 + SIGALRM):
    // a hang fails the test instead of holding it for good.
    std::optional<unsigned> seconds;
};

// Runs job in a forked child under limits; job's return value is the exit code.
ChildOutcome runInChild(const ChildLimits& limits, const std::function<int(std::ostream&)>& job);

// Runs a program under limits; its standard output comes back.
ChildOutcome runProgram(const ChildLimits& limits, const std::string& program,
                        const std::vector<std::string>& arguments);

// What a program run that was sent a signal part-way left.
struct SignalledOutcome {
    ChildOutcome outcome;
    bool signalled = false;
    std::chrono::milliseconds toEnd{0}; // from the signal to the program's end
};

// Runs a program under limits and sends it signal as soon as when, asked
// with the program's process and its output so far at least every 20 ms,
// says so.
SignalledOutcome runProgramUntil(const ChildLimits& limits, const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::function<bool(pid_t program, const std::string& outputSoFar)>& when,
                                 int signal);

// Whether process has file open now: a signal meant for the middle of a
// file's copy or check waits for it, however slowly the program started.
bool holdsOpen(pid_t process, const std::filesystem::path& file);

// Hands path and everything beneath it to the user that unprivileged children run as.
Result<platform::Done, std::string> giveToUnprivilegedUser(const std::filesystem::path& path);

} // namespace rv::testing
