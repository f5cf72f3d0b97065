#pragma once

#include <windows.h>

namespace rv::win32 {

// Layouts are given in twips (1440 to the inch): 15 to the pixel at 96 dpi,
// fewer at higher system dpi, so the windows keep their size in inches.
inline int twipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

// The system's logical dpi (the program is dpi-aware through its manifest).
int systemDpi();

// A Japanese (Shift-JIS, character set 128) font of the given face; the
// point size may be fractional (12.75 pt) and is rounded to whole pixels.
HFONT createJapaneseFont(const wchar_t* face, double points, int weight, int dpi);

// Moves a child window to its place in twips within its parent's client area.
void placeInTwips(HWND child, const TwipsRect& rect, int dpi);

// Top-level window size that gives the client area asked for, centred on the
// primary monitor's work area.
RECT centredWindowRect(int clientWidth, int clientHeight, DWORD style, DWORD exStyle);

} // namespace rv::win32
