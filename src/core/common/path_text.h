#pragma once

#include <string>
#include <string_view>

namespace rv {

// The records system writes Windows paths with "\"; the defaults on POSIX use
// "/". Both end a folder part, on both systems ("/" cannot be part of a
// Windows file name either).
bool isPathSeparator(char c);

// The text after the last separator of path, whatever the depth; the whole
// path when it has none.
std::string fileNameOf(std::string_view path);

// folder and a path relative to it, with one separator between.
std::string joinPath(const std::string& folder, const std::string& relative);

} // namespace rv
