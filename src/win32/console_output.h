#pragma once

#include <memory>
#include <ostream>

namespace rv::win32 {

// Where the unattended mode writes: the handle the caller redirected
// standard output to, else the console of the parent process (a GUI program
// has none of its own), else nowhere. UTF-8 text from the core reaches a
// console as UTF-16, a file or pipe as UTF-8.
std::unique_ptr<std::ostream> openConsoleOutput();
// The same for standard error: where progress goes, apart from the results.
std::unique_ptr<std::ostream> openConsoleError();

} // namespace rv::win32
