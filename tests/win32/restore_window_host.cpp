// The restore window over a fake restore service, opened as the program opens
// it for --restore, for the restore window's GUI tests to drive from outside.
// Its restore goes on until it is cancelled. When the window has gone, what
// the service was asked is written, one line each, to the file named by
// RV_RESTORE_LOG.
#include "platform/paths.h"
#include "support/fake_restore_service.h"
#include "win32/restore_window.h"
#include "win32/speech_library.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const auto programFolder = rv::platform::executableFolder();
    if (!programFolder.ok()) {
        return 3;
    }
    const std::wstring folder = rv::win32::widen(programFolder.value());
    rv::win32::restrictLibrarySearch(folder);
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (FAILED(OleInitialize(nullptr))) {
        return 3;
    }
    rv::testing::FakeRestoreService service;
    service.untilCancelled = true;
    const int exitCode = rv::win32::runRestoreWindow(folder, service);
    OleUninitialize();
    const char* log = std::getenv("RV_RESTORE_LOG");
    if (FILE* file = log && *log ? std::fopen(log, "wb") : nullptr) {
        for (const std::string& call : service.calls) {
            std::fprintf(file, "%s\n", call.c_str());
        }
        std::fclose(file);
    }
    return exitCode;
}
