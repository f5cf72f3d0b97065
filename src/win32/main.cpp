// Entry point of the native Windows program.
#include "platform/paths.h"
#include "win32/speech_library.h"
#include "win32/startup_sequence.h"
#include "win32/unattended_mode.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const auto programFolder = rv::platform::executableFolder();
    if (!programFolder.ok()) {
        MessageBoxW(nullptr, rv::win32::widen(programFolder.error()).c_str(), L"RVシステム", MB_OK | MB_ICONERROR);
        return 3;
    }
    // Before anything loads a library by name.
    rv::win32::restrictLibrarySearch(rv::win32::widen(programFolder.value()));
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    // The folder browser's new-style dialog and the speech control need OLE on this thread.
    if (FAILED(OleInitialize(nullptr))) {
        return 3;
    }
    int exitCode = 0;
    if (const auto destination = rv::win32::folderArgument(L"--backup-to")) {
        exitCode =
            rv::win32::runUnattendedMode(programFolder.value(), *destination, !rv::win32::hasSwitch(L"--no-verify"));
    } else if (const auto checked = rv::win32::folderArgument(L"--check")) {
        exitCode = rv::win32::runCheckMode(*checked);
    } else {
        exitCode = rv::win32::runStartupSequence(rv::win32::widen(programFolder.value()));
    }
    OleUninitialize();
    return exitCode;
}
