#include "support/held_copies.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

namespace {

std::mutex mutex;
std::condition_variable released;
bool holding = false;

} // namespace

// Takes the place of the C library's copy_file_range in the test binary; the
// core's calls land here.
extern "C" ssize_t copy_file_range(int in, off64_t* inOffset, int out, off64_t* outOffset, size_t length,
                                   unsigned int flags)
{
    std::unique_lock lock(mutex);
    if (holding) {
        released.wait(lock, [] { return !holding; });
        errno = EINTR;
        return -1;
    }
    lock.unlock();
    return ::syscall(SYS_copy_file_range, in, inOffset, out, outOffset, length, flags);
}

namespace rv::testing {

HeldCopies::HeldCopies()
{
    const std::lock_guard lock(mutex);
    holding = true;
}

HeldCopies::~HeldCopies() { release(); }

void HeldCopies::release()
{
    {
        const std::lock_guard lock(mutex);
        holding = false;
    }
    released.notify_all();
}

} // namespace rv::testing
