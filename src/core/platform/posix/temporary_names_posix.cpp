#include "platform/temporary_names.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace rv::platform {

std::uint64_t currentProcessId() { return static_cast<std::uint64_t>(::getpid()); }

// A process that exists but is not ours to signal is still running.
bool processIsRunning(std::uint64_t process)
{
    const auto id = static_cast<pid_t>(process);
    return static_cast<std::uint64_t>(id) == process && id > 0 && (::kill(id, 0) == 0 || errno == EPERM);
}

} // namespace rv::platform
