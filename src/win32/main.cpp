// Entry point of the native Windows program.
#include "platform/paths.h"
#include "startup/command_line.h"
#include "win32/speech_library.h"
#include "win32/startup_sequence.h"
#include "win32/unattended_mode.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    // Read first: a wrong command line must end with its code and never open
    // a window, where a scheduled task would wait for ever.
    const std::vector<std::string> arguments = rv::win32::commandLineArguments();
    const std::string programName = arguments.empty() ? std::string("rvdatebackup.exe") : arguments.front();
    const auto line = rv::startup::parseCommandLine(
        std::vector<std::string>(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()));
    if (const auto answered = rv::win32::answerAtOnce(line, programName)) {
        return *answered;
    }
    const auto programFolder = rv::platform::executableFolder();
    if (!programFolder.ok()) {
        MessageBoxW(nullptr, L"プログラムのフォルダがわからないため、データバックアップを起動できません。",
                    L"RVシステム", MB_OK | MB_ICONERROR);
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
    switch (line.mode) {
    case rv::startup::CommandLine::Mode::BackupTo:
        exitCode = rv::win32::runUnattendedMode(programFolder.value(), line.folder, line.verify, line.keep);
        break;
    case rv::startup::CommandLine::Mode::Check:
        exitCode = rv::win32::runCheckMode(line.folder, line.generation);
        break;
    case rv::startup::CommandLine::Mode::Generations:
        exitCode = rv::win32::runGenerationsMode(line.folder);
        break;
    default:
        exitCode = rv::win32::runStartupSequence(rv::win32::widen(programFolder.value()));
        break;
    }
    OleUninitialize();
    return exitCode;
}
