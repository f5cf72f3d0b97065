#include "win32/twips.h"

#include <cmath>

namespace rv::win32 {

OwnedFont createJapaneseFont(const wchar_t* face, double points, int weight, int dpi)
{
    // A negative height asks for the character height, as point sizes mean.
    const int height = -static_cast<int>(std::lround(points * dpi / 72.0));
    return OwnedFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face));
}

void setJapaneseFont(HWND control, OwnedFont& font, const wchar_t* face, double points, int weight, int dpi)
{
    OwnedFont next = createJapaneseFont(face, points, weight, dpi);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(next.get()), TRUE);
    font = std::move(next);
}

void placeInTwips(HWND child, const TwipsRect& rect, int dpi)
{
    MoveWindow(child, twipsToPixels(rect.left, dpi), twipsToPixels(rect.top, dpi), twipsToPixels(rect.width, dpi),
               twipsToPixels(rect.height, dpi), FALSE);
}

} // namespace rv::win32
