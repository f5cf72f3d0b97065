#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace rv::win32 {

// Layouts are given in twips (1440 to the inch): 15 to the pixel at 96 dpi,
// fewer at a higher dpi, so the windows keep their size in inches.
inline int twipsToPixels(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct GdiObjectDeleter {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;

// A Japanese (Shift-JIS, character set 128) font of the given face; the
// point size may be fractional (12.75 pt) and is rounded to whole pixels.
OwnedFont createJapaneseFont(const wchar_t* face, double points, int weight, int dpi);

// Gives the control such a font for dpi, kept in `font`; the font it had
// before goes once the control no longer uses it.
void setJapaneseFont(HWND control, OwnedFont& font, const wchar_t* face, double points, int weight, int dpi);

// Moves a child window to its place in twips within its parent's client area.
void placeInTwips(HWND child, const TwipsRect& rect, int dpi);

} // namespace rv::win32
