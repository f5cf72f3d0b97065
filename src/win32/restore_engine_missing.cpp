// Built in place of open_restore_window.cpp while the core has no restore
// engine: the program says it cannot restore rather than open a window that
// could not.
#include "restore/restore_service.h"
#include "win32/open_restore_window.h"

#include <windows.h>

namespace rv::win32 {

int openRestoreWindow(const std::string& /*programFolder*/)
{
    MessageBoxW(nullptr, L"このデータバックアップでは、データの復元はまだできません。", L"RVシステム",
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kRestoreCouldNotStart;
}

} // namespace rv::win32
