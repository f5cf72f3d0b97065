#pragma once

namespace rv::win32 {

// The program's message loop, with dialog keyboard handling for whichever
// of its windows is active (Tab between buttons, Enter and Space on the
// focused button). Returns the exit code posted with WM_QUIT.
int runMessageLoop();

} // namespace rv::win32
