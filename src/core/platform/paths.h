#pragma once

#include "common/result.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace rv::platform {

// The core joins paths with "/" on every system; the Windows seam turns it
// into "\" (toPath), and a path shown to a person is shown with this one.
// The records system's own paths keep whatever they hold.
#ifdef _WIN32
inline constexpr char kNativeSeparator = '\\';
#else
inline constexpr char kNativeSeparator = '/';
#endif

// Strings in the core are UTF-8; these cross to and from the file system's
// own encoding without passing through a code page.
std::filesystem::path toPath(std::string_view utf8);
std::string fromPath(const std::filesystem::path& path);

// Folder that holds the running executable, without a trailing separator
// (except for a root).
Result<std::string, std::string> executableFolder();

} // namespace rv::platform
