#include "win32/window_class.h"

#include "win32/display_scale.h"
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

namespace {

// Gives the window a client area of the size in twips at dpi, its top-left
// corner at `topLeft`, or centred on the primary monitor's work area.
void placeWindow(HWND window, int clientWidthTwips, int clientHeightTwips, int dpi, const POINT* topLeft)
{
    const int clientWidth = twipsToPixels(clientWidthTwips, dpi);
    const int clientHeight = twipsToPixels(clientHeightTwips, dpi);
    SIZE size = windowSizeForClient(clientWidth, clientHeight, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)),
                                    static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)), dpi);
    SetWindowPos(window, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame drawn may differ from the one reported for that dpi (wine
    // draws every frame at the system's): measured, and made up for.
    RECT client{};
    GetClientRect(window, &client);
    size.cx += clientWidth - client.right;
    size.cy += clientHeight - client.bottom;
    POINT at{};
    if (topLeft) {
        at = *topLeft;
    } else {
        RECT work{};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        at = {work.left + ((work.right - work.left) - size.cx) / 2,
              work.top + ((work.bottom - work.top) - size.cy) / 2};
    }
    SetWindowPos(window, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace

HWND createCentredWindow(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, HWND owner,
                         int clientWidthTwips, int clientHeightTwips, void* object)
{
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    // Made on the primary monitor, then sized for its dpi, which the window
    // knows only once it exists.
    HWND window =
        CreateWindowExW(exStyle, className, caption, style, (work.left + work.right) / 2, (work.top + work.bottom) / 2,
                        0, 0, owner, nullptr, GetModuleHandleW(nullptr), object);
    if (window) {
        placeWindow(window, clientWidthTwips, clientHeightTwips, dpiOf(window), nullptr);
    }
    return window;
}

void resizeForDpi(HWND window, int clientWidthTwips, int clientHeightTwips, int dpi, const RECT& suggested)
{
    const POINT topLeft{suggested.left, suggested.top};
    placeWindow(window, clientWidthTwips, clientHeightTwips, dpi, &topLeft);
}

} // namespace rv::win32
