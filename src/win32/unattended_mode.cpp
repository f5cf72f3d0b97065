#include "win32/unattended_mode.h"

#include "backup/unattended_backup.h"
#include "win32/console_output.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>
#include <string_view>

namespace rv::win32 {
namespace {

std::atomic<bool> cancelRequested{false};

BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        cancelRequested = true; // the run stops cleanly and reports what was not copied
        return TRUE;
    }
    return FALSE;
}

} // namespace

std::optional<std::wstring> backupDestinationArgument()
{
    constexpr std::wstring_view kOption = L"--backup-to";
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!arguments) {
        return std::nullopt;
    }
    std::optional<std::wstring> destination;
    for (int i = 1; i < count && !destination; ++i) {
        const std::wstring_view argument = arguments[i];
        if (argument == kOption && i + 1 < count) {
            destination = arguments[i + 1];
        } else if (argument.size() > kOption.size() && argument.substr(0, kOption.size()) == kOption &&
                   argument[kOption.size()] == L'=') {
            destination = std::wstring(argument.substr(kOption.size() + 1));
        }
    }
    LocalFree(arguments);
    return destination;
}

int runUnattendedMode(const std::string& programFolder, const std::wstring& destination)
{
    const auto out = openConsoleOutput();
    SetConsoleCtrlHandler(&onConsoleControl, TRUE);
    const int exitCode = runUnattendedBackup(programFolder, narrow(destination), *out, cancelRequested);
    out->flush();
    return exitCode;
}

} // namespace rv::win32
