#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rv {

// Paths keep to one field of one line: a backslash, tab, CR, LF or other
// control character is written as \\, \t, \r, \n or \xHH.
std::string escapeRecordPath(std::string_view path);
std::optional<std::string> unescapeRecordPath(std::string_view text);

// True for a path the backup itself writes: names below the backup folder
// with "/" between them, none empty, "." or "..", none holding NUL, and no
// absolute, drive ("C:") or UNC start. A "\" is an ordinary character on
// POSIX, but Windows divides a path there, and at ":" (a drive, or a
// stream of a file): there, names holding either are refused too, so that a
// path never means more than the names it shows.
bool isConfinedRecordPath(std::string_view path);

} // namespace rv
