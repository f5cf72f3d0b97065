#include "win32/message_loop.h"

#include <windows.h>

namespace rv::win32 {

int runMessageLoop()
{
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        // The window the message is for, not the active one: a message
        // posted to a control arrives whether or not its window is in front.
        HWND topLevel = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (topLevel && IsDialogMessageW(topLevel, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace rv::win32
