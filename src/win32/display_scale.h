#pragma once

#include <windows.h>

namespace rv::win32 {

// The program declares itself aware of each monitor's scale (its manifest):
// it lays each window out for the dpi of the monitor the window is on, and
// again when the window moves to a monitor of another scale (WM_DPICHANGED).

// The dpi of the monitor the window is on (from Windows 10 1607), else the
// system's, which is then every monitor's.
int dpiOf(HWND window);

// The system's dpi: where a window about to be made will most likely be.
int systemDpi();

// A length given in pixels at 96 dpi (100 %), at another dpi.
inline int scaledFrom96(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }

// The size of a top-level window whose client area is the given size, with
// the frame the system draws at that dpi.
SIZE windowSizeForClient(int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

} // namespace rv::win32
