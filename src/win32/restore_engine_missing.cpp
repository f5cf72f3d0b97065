// Built in place of open_restore_window.cpp while the core has no restore
// engine: the program says it cannot restore rather than open a window that
// could not.
#include "restore/restore_service.h"
#include "restore/restore_texts.h"
#include "win32/open_restore_window.h"
#include "win32/wide_text.h"

#include <windows.h>

namespace rv::win32 {

int openRestoreWindow(const std::string& /*programFolder*/)
{
    MessageBoxW(nullptr, widen(kRestoreNotBuiltInText).c_str(), widen(kMessageCaption).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kRestoreCouldNotStart;
}

} // namespace rv::win32
