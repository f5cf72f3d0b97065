#include "win32/yes_no_box.h"

#include <string_view>

namespace rv::win32 {
namespace {

// The box being asked on this thread: the hook that finds it and the window
// procedure it had.
thread_local HHOOK boxHook = nullptr;
thread_local WNDPROC boxProcedure = nullptr;

// A message box without a Cancel button ignores Escape (IDCANCEL); here it
// is read as No.
LRESULT CALLBACK escapeMeansNo(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        wParam = MAKEWPARAM(IDNO, HIWORD(wParam));
    }
    return CallWindowProcW(boxProcedure, box, message, wParam, lParam);
}

bool isDialog(HWND window)
{
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && std::wstring_view(name) == L"#32770";
}

// The first dialog activated while the hook is set is the message box.
LRESULT CALLBACK findTheBox(int code, WPARAM wParam, LPARAM lParam)
{
    auto* box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && boxProcedure == nullptr && isDialog(box)) {
        boxProcedure =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&escapeMeansNo)));
    }
    return CallNextHookEx(boxHook, code, wParam, lParam);
}

} // namespace

bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption)
{
    boxProcedure = nullptr;
    boxHook = SetWindowsHookExW(WH_CBT, &findTheBox, nullptr, GetCurrentThreadId());
    const int answer = MessageBoxW(owner, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    if (boxHook != nullptr) {
        UnhookWindowsHookEx(boxHook);
        boxHook = nullptr;
    }
    return answer == IDYES;
}

} // namespace rv::win32
