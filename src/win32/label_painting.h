#pragma once

#include <windows.h>

namespace rv::win32 {

// A label drawn straight onto the picture behind it: transparent text in the
// given colour. Returned from WM_CTLCOLORSTATIC by the label's parent.
inline LRESULT transparentLabel(HDC labelDc, COLORREF textColour)
{
    SetBkMode(labelDc, TRANSPARENT);
    SetTextColor(labelDc, textColour);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

} // namespace rv::win32
