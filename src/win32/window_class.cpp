#include "win32/window_class.h"

#include "win32/twips.h"

namespace rv::win32 {

void registerWindowClass(const wchar_t* className, WNDPROC procedure)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExW(instance, className, &existing)) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr; // each window paints its own background
    windowClass.lpszClassName = className;
    RegisterClassExW(&windowClass);
}

HWND createCentredWindow(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, HWND owner,
                         int clientWidthTwips, int clientHeightTwips, int dpi, void* object)
{
    const RECT frame =
        centredWindowRect(twipsToPixels(clientWidthTwips, dpi), twipsToPixels(clientHeightTwips, dpi), style, exStyle);
    return CreateWindowExW(exStyle, className, caption, style, frame.left, frame.top, frame.right - frame.left,
                           frame.bottom - frame.top, owner, nullptr, GetModuleHandleW(nullptr), object);
}

} // namespace rv::win32
