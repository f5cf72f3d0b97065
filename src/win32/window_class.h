#pragma once

#include <windows.h>

namespace rv::win32 {

// Registers a window class of this program once (later calls do nothing).
// The window procedure finds its object through GWLP_USERDATA, which
// attachedObject sets from the creation parameter in WM_NCCREATE.
void registerWindowClass(const wchar_t* className, WNDPROC procedure);

// A top-level window whose client area is the given size in twips at the
// dpi of its monitor, centred on the primary monitor's work area; `object`
// reaches the window procedure as its creation parameter. Null when the
// system refused.
HWND createCentredWindow(const wchar_t* className, const wchar_t* caption, DWORD style, DWORD exStyle, HWND owner,
                         int clientWidthTwips, int clientHeightTwips, void* object);

// Sizes a top-level window for dpi so that its client area is the given size
// in twips, with its top-left corner where the system suggests as it moves
// to a monitor of another scale (WM_DPICHANGED).
void resizeForDpi(HWND window, int clientWidthTwips, int clientHeightTwips, int dpi, const RECT& suggested);

template <typename T> T* attachedObject(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* object = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
        return object;
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// The window procedure of a window object that keeps its handle in window_,
// set as the window is made, and answers every message in handle().
template <typename T> LRESULT CALLBACK objectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = attachedObject<T>(window, message, lParam);
    if (!self) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCCREATE) {
        self->window_ = window;
    }
    return self->handle(window, message, wParam, lParam);
}

} // namespace rv::win32
