#pragma once

#include <string>
#include <string_view>

namespace rv {

// A name from the file system made fit for one line of output or of the log:
// each byte of a control character (U+0000-U+001F, U+007F, U+0080-U+009F)
// or of a line or paragraph separator (U+2028, U+2029) becomes \xHH, so that
// a name can neither end a line, nor forge one, nor steer a terminal.
// Everything else, a backslash included (the Windows separator), is kept.
std::string printable(std::string_view text);

// A path made fit for one line, with the separators of this system.
std::string shownPath(std::string_view path);

} // namespace rv
