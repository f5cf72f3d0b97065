#include "platform/paths.h"

#include <system_error>

namespace rv::platform {

// On POSIX a path is a byte string and the program's strings are UTF-8, which
// is what the file system holds on the systems served.
std::filesystem::path toPath(std::string_view utf8) { return std::filesystem::path(std::string(utf8)); }

std::string fromPath(const std::filesystem::path& path) { return path.string(); }

Result<std::string, std::string> executableFolder()
{
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return Result<std::string, std::string>::failure("/proc/self/exe: " + error.message());
    }
    return Result<std::string, std::string>::success(exe.parent_path().string());
}

} // namespace rv::platform
