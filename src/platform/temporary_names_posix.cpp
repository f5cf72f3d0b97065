#include "platform/temporary_names.h"

#include "platform/file_errors_posix.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace rv::platform {

std::uint64_t currentProcessId() { return static_cast<std::uint64_t>(::getpid()); }

// A process that exists but is not ours to signal is still running.
bool processIsRunning(std::uint64_t process)
{
    const auto id = static_cast<pid_t>(process);
    return static_cast<std::uint64_t>(id) == process && id > 0 && (::kill(id, 0) == 0 || errno == EPERM);
}

Result<std::vector<std::string>, FileError> namesInFolder(std::string_view folder)
{
    const std::string path(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(path.c_str()), ::closedir);
    if (!listing) {
        return Result<std::vector<std::string>, FileError>::failure(destinationError(errno, path));
    }
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
        names.emplace_back(entry->d_name);
    }
    if (errno != 0) {
        return Result<std::vector<std::string>, FileError>::failure(destinationError(errno, path));
    }
    return Result<std::vector<std::string>, FileError>::success(std::move(names));
}

} // namespace rv::platform
