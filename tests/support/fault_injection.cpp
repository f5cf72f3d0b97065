#include "fault_injection.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <random>
#include <sstream>
#include <utility>

namespace rv::testing {
namespace {

namespace fs = std::filesystem;
using platform::Done;

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

uid_t unprivilegedUid()
{
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? nobody->pw_uid : 65534;
}

gid_t unprivilegedGid()
{
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? nobody->pw_gid : 65534;
}

// Mounts a tiny tmpfs once to learn whether this process may mount at all.
std::optional<std::string> probeMount()
{
    if (::geteuid() != 0) {
        return "skipped: needs root (the test mounts a file system)";
    }
    const fs::path folder = fs::temp_directory_path() / ("rv-mount-probe-" + std::to_string(std::random_device()()));
    fs::create_directory(folder);
    std::optional<std::string> reason;
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0) {
        reason = "skipped: needs root with the right to mount (" + systemError("mount tmpfs") + ")";
    } else {
        ::umount2(folder.c_str(), MNT_DETACH);
    }
    fs::remove(folder);
    return reason;
}

Result<Mount, std::string> failure(const std::string& what)
{
    return Result<Mount, std::string>::failure(systemError(what));
}

void writeAll(int fd, const std::string& text)
{
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t step = ::write(fd, text.data() + written, text.size() - written);
        if (step < 0 && errno != EINTR) {
            return;
        }
        written += step > 0 ? static_cast<std::size_t>(step) : 0;
    }
}

// In the child, before its work: the limits; a child that cannot have them ends.
void applyLimits(const ChildLimits& limits, int pipeOut)
{
    if (limits.maxFileBytes) {
        // Without this the kernel kills the process instead of failing the write.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit cap{*limits.maxFileBytes, *limits.maxFileBytes};
        if (::setrlimit(RLIMIT_FSIZE, &cap) != 0) {
            writeAll(pipeOut, systemError("setrlimit"));
            ::_exit(125);
        }
    }
    if (limits.seconds) {
        ::alarm(*limits.seconds);
    }
    if (limits.unprivileged && ::geteuid() == 0) {
        const gid_t gid = unprivilegedGid();
        const uid_t uid = unprivilegedUid();
        if (::setgroups(0, nullptr) != 0 || ::setresgid(gid, gid, gid) != 0 || ::setresuid(uid, uid, uid) != 0) {
            writeAll(pipeOut, systemError("dropping root"));
            ::_exit(125);
        }
    }
}

// Forks; the child applies limits and runs inChild with the write end of a
// pipe whose other end the parent reads to the end, offering what it has
// read so far to onOutput (also every 20 ms while nothing comes).
ChildOutcome forkWith(const ChildLimits& limits, const std::function<void(int pipeOut)>& inChild,
                      const std::function<void(pid_t child, const std::string& outputSoFar)>& onOutput = {})
{
    std::array<int, 2> pipeEnds{};
    if (::pipe2(pipeEnds.data(), O_CLOEXEC) != 0) {
        return {-1, systemError("pipe")};
    }
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        applyLimits(limits, pipeEnds[1]);
        inChild(pipeEnds[1]);
        // _exit: the parent's test framework and its exit handlers are not the child's to run.
        ::_exit(126);
    }
    ::close(pipeEnds[1]);
    ChildOutcome outcome;
    if (child < 0) {
        ::close(pipeEnds[0]);
        outcome.output = systemError("fork");
        return outcome;
    }
    std::array<char, 4096> chunk{};
    for (;;) {
        pollfd ready{pipeEnds[0], POLLIN, 0};
        if (onOutput && ::poll(&ready, 1, 20) == 0) {
            onOutput(child, outcome.output);
            continue;
        }
        const ssize_t count = ::read(pipeEnds[0], chunk.data(), chunk.size());
        if (count == 0 || (count < 0 && errno != EINTR)) {
            break;
        }
        outcome.output.append(chunk.data(), count > 0 ? static_cast<std::size_t>(count) : 0);
        if (onOutput) {
            onOutput(child, outcome.output);
        }
    }
    ::close(pipeEnds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

// In the child: runs program with its standard output on pipeOut.
[[noreturn]] void execute(int pipeOut, const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const auto& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    if (::dup2(pipeOut, STDOUT_FILENO) < 0) {
        writeAll(pipeOut, systemError("dup2"));
        ::_exit(127);
    }
    ::execv(program.c_str(), argv.data());
    writeAll(pipeOut, systemError("exec " + program));
    ::_exit(127);
}

} // namespace

std::optional<std::string> mountUnavailable()
{
    static const std::optional<std::string> reason = probeMount();
    return reason;
}

Result<Mount, std::string> Mount::tmpfs(const fs::path& folder, std::uint64_t sizeBytes)
{
    const std::string options = "size=" + std::to_string(sizeBytes) + ",mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
        return failure("mount tmpfs on " + folder.string());
    }
    const int root = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return Result<Mount, std::string>::success(Mount(folder, root));
}

Result<Mount, std::string> Mount::bind(const fs::path& source, const fs::path& folder)
{
    if (::mount(source.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        return failure("bind " + source.string() + " on " + folder.string());
    }
    const int root = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    return Result<Mount, std::string>::success(Mount(folder, root));
}

Mount::Mount(Mount&& other) noexcept
    : folder_(std::move(other.folder_)), rootHandle_(std::exchange(other.rootHandle_, -1)),
      mounted_(std::exchange(other.mounted_, false))
{
}

Mount::~Mount()
{
    if (mounted_) {
        // Lazily: a file still open on it must not keep the mount alive past the test.
        ::umount2(folder_.c_str(), MNT_DETACH);
    }
    if (rootHandle_ >= 0) {
        ::close(rootHandle_);
    }
}

Result<Done, std::string> Mount::remountReadOnly()
{
    if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
        return Result<Done, std::string>::failure(systemError("remount read-only " + folder_.string()));
    }
    return Result<Done, std::string>::success({});
}

Result<Done, std::string> Mount::pullOut()
{
    if (::umount2(folder_.c_str(), MNT_DETACH) != 0) {
        return Result<Done, std::string>::failure(systemError("unmount " + folder_.string()));
    }
    mounted_ = false;
    if (::rmdir(folder_.c_str()) != 0) {
        return Result<Done, std::string>::failure(systemError("remove mount point " + folder_.string()));
    }
    return Result<Done, std::string>::success({});
}

fs::path Mount::root() const { return fs::path("/proc/self/fd") / std::to_string(rootHandle_); }

ChildOutcome runInChild(const ChildLimits& limits, const std::function<int(std::ostream&)>& job)
{
    return forkWith(limits, [&job](int pipeOut) {
        std::ostringstream out;
        const int code = job(out);
        writeAll(pipeOut, out.str());
        ::_exit(code);
    });
}

ChildOutcome runProgram(const ChildLimits& limits, const std::string& program,
                        const std::vector<std::string>& arguments)
{
    return forkWith(limits, [&](int pipeOut) { execute(pipeOut, program, arguments); });
}

SignalledOutcome runProgramUntil(const ChildLimits& limits, const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const std::function<bool(pid_t program, const std::string& outputSoFar)>& when,
                                 int signal)
{
    SignalledOutcome result;
    std::chrono::steady_clock::time_point sent;
    result.outcome = forkWith(
        limits, [&](int pipeOut) { execute(pipeOut, program, arguments); },
        [&](pid_t child, const std::string& output) {
            if (!result.signalled && when(child, output)) {
                result.signalled = true;
                sent = std::chrono::steady_clock::now();
                ::kill(child, signal);
            }
        });
    if (result.signalled) {
        result.toEnd = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
    }
    return result;
}

bool holdsOpen(pid_t process, const fs::path& file)
{
    std::error_code error;
    const fs::path wanted = fs::canonical(file, error);
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(process) + "/fd", error)) {
        std::error_code unreadable;
        if (fs::read_symlink(entry.path(), unreadable) == wanted) {
            return true;
        }
    }
    return false;
}

Result<Done, std::string> giveToUnprivilegedUser(const fs::path& path)
{
    if (::geteuid() != 0) {
        return Result<Done, std::string>::success({}); // this process's own user owns it already
    }
    const uid_t uid = unprivilegedUid();
    const gid_t gid = unprivilegedGid();
    if (::lchown(path.c_str(), uid, gid) != 0) {
        return Result<Done, std::string>::failure(systemError("chown " + path.string()));
    }
    for (const auto& entry : fs::recursive_directory_iterator(path)) {
        if (::lchown(entry.path().c_str(), uid, gid) != 0) {
            return Result<Done, std::string>::failure(systemError("chown " + entry.path().string()));
        }
    }
    return Result<Done, std::string>::success({});
}

} // namespace rv::testing
