#pragma once

#include <string>

namespace rv::win32 {

// The start-up window's load handler: makes the program folder current,
// shows and paints the splash, pauses, reads rv.dat, opens the main window
// and unloads the splash (the core's runStartup, with the native windows);
// then runs the program until its main window goes.
// Returns the process exit code: 0, or the settings error's number (53 for a
// missing rv.dat) after its message box.
int runStartupSequence(const std::wstring& programFolder);

// One of the program's own windows could not be made (a damaged executable):
// the cause goes to the log, a box tells the user. Returns the exit code.
int reportWindowFailure(const std::string& cause);

} // namespace rv::win32
