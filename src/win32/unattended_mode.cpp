#include "win32/unattended_mode.h"

#include "backup/unattended_backup.h"
#include "record/backup_check.h"
#include "win32/console_output.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <string_view>
#include <vector>

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

// The program's arguments after its own name.
std::vector<std::wstring> commandLineArguments()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::wstring> list;
    for (int i = 1; arguments && i < count; ++i) {
        list.emplace_back(arguments[i]);
    }
    LocalFree(arguments);
    return list;
}

} // namespace

std::optional<std::wstring> folderArgument(std::wstring_view option)
{
    const std::vector<std::wstring> arguments = commandLineArguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring_view argument = arguments[i];
        if (argument == option && i + 1 < arguments.size()) {
            return arguments[i + 1];
        }
        if (argument.size() > option.size() && argument.substr(0, option.size()) == option &&
            argument[option.size()] == L'=') {
            return std::wstring(argument.substr(option.size() + 1));
        }
    }
    return std::nullopt;
}

bool hasSwitch(std::wstring_view option)
{
    const std::vector<std::wstring> arguments = commandLineArguments();
    return std::find(arguments.begin(), arguments.end(), option) != arguments.end();
}

int runUnattendedMode(const std::string& programFolder, const std::wstring& destination, bool verify)
{
    const auto out = openConsoleOutput();
    SetConsoleCtrlHandler(&onConsoleControl, TRUE);
    RunTuning tuning;
    tuning.readBack.enabled = verify;
    const int exitCode = runUnattendedBackup(programFolder, narrow(destination), *out, cancelRequested, tuning);
    out->flush();
    return exitCode;
}

int runCheckMode(const std::wstring& folder)
{
    const auto out = openConsoleOutput();
    const auto progress = openConsoleError();
    SetConsoleCtrlHandler(&onConsoleControl, TRUE);
    const int exitCode = runBackupCheck(narrow(folder), *out, *progress, cancelRequested);
    out->flush();
    return exitCode;
}

} // namespace rv::win32
