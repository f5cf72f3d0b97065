#pragma once

#include <string_view>

namespace rv::win32 {

// The native program's log: one line per event through OutputDebugString,
// prefixed with its category ("rv.startup", "rv.backup", "rv.speech"), as the
// Qt front end's logging categories. Seen with a debugger or DebugView on
// Windows, and with WINEDEBUG=+debugstr under wine; costs nothing otherwise.
void logLine(std::wstring_view category, std::wstring_view text);

} // namespace rv::win32
