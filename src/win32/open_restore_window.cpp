// The one place where the program's restore window meets the restore engine.
#include "win32/open_restore_window.h"

#include "restore/folder_restore_service.h"
#include "win32/restore_window.h"
#include "win32/wide_text.h"

namespace rv::win32 {

int openRestoreWindow(const std::string& programFolder)
{
    const std::unique_ptr<RestoreService> service = makeFolderRestoreService(programFolder);
    return runRestoreWindow(widen(programFolder), *service);
}

} // namespace rv::win32
