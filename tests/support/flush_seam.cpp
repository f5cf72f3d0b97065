#include "support/flush_seam.h"

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<bool> holding{false};
std::atomic<long long> holdMilliseconds{0};
std::atomic<int> flushesSeen{0};
std::atomic<int> descriptorsLost{0};

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Waits for the hold time, or until fd no longer names the file it named at
// the start; says which.
bool lostWhileHeld(int fd)
{
    struct stat atStart {};
    if (::fstat(fd, &atStart) != 0) {
        return true;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(holdMilliseconds.load());
    while (std::chrono::steady_clock::now() < until) {
        struct stat now {};
        if (::fstat(fd, &now) != 0 || !sameFile(now, atStart)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

} // namespace

// Takes the place of the C library's syncfs in the test binary; the core's
// calls land here.
extern "C" int syncfs(int fd) noexcept
{
    if (holding.load()) {
        ++flushesSeen;
        if (lostWhileHeld(fd)) {
            ++descriptorsLost;
        }
    }
    return static_cast<int>(::syscall(SYS_syncfs, fd));
}

namespace rv::testing {

HeldFlushes::HeldFlushes(std::chrono::milliseconds hold)
{
    holdMilliseconds = hold.count();
    flushesSeen = 0;
    descriptorsLost = 0;
    holding = true;
}

HeldFlushes::~HeldFlushes() { holding = false; }

int HeldFlushes::seen() const { return flushesSeen.load(); }

int HeldFlushes::lostTheirDescriptor() const { return descriptorsLost.load(); }

} // namespace rv::testing
