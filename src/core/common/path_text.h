#pragma once

#include <string>
#include <string_view>
#include <utility>

// Paths as text, one home for every part of the core. The core joins with "/"
// on every system. Two kinds of separator:
// those of the records system's paths ("\\" or "/", whatever the platform)
// and those this system's file system itself divides a path at ("/", and on
// Windows "\\" too). The file system's own calls stay in platform/.
namespace rv {

// The records system writes Windows paths with "\"; the defaults on POSIX use
// "/". Both end a folder part, on both systems ("/" cannot be part of a
// Windows file name either).
bool isPathSeparator(char c);

// A separator to this system's file system: "/" everywhere, and "\" on
// Windows (on POSIX it is an ordinary character of a name).
bool isSystemSeparator(char c);

// The text after the last separator of path, whatever the depth; the whole
// path when it has none.
std::string fileNameOf(std::string_view path);

// The folder part of path as the file system reads it: everything up to and
// including its last separator; empty when it has none.
std::string_view folderPartOf(std::string_view path);

// folder and a path relative to it, with one separator between: "/", which
// every system reads (the Windows seam turns it into "\\").
std::string joinPath(const std::string& folder, const std::string& relative);

// An entry of folder (a name, or a relative path) by the file system's rules:
// a separator between unless folder is empty or already ends with one.
std::string entryPath(std::string_view folder, std::string_view name);

// parent and name with "/" between, when neither is empty: the relative
// paths of a folder listing ("" is its top), a file of the program folder.
std::string joinRelative(std::string_view parent, std::string_view name);

// A path relative to a folder, "/" between its names: its folder part
// (without the last "/"; empty for none) and its last name.
std::pair<std::string_view, std::string_view> splitRelative(std::string_view relative);

// path as a person reads it on this system: on Windows every "/" the
// program joined with is shown as "\\".
std::string nativeSeparators(std::string_view path);

} // namespace rv
