#include "win32/unattended_mode.h"

#include "backup/unattended_backup.h"
#include "generations/generation_list.h"
#include "record/backup_check.h"
#include "win32/console_output.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <shellapi.h>

#include <atomic>

namespace rv::win32 {
namespace {

std::atomic<bool> cancelRequested{false};
// Set once the run has stopped, for a closing console to wait for.
HANDLE runStopped = nullptr;
// The system ends the process about five seconds after a close.
constexpr DWORD kCloseWaitMs = 4500;

BOOL WINAPI onConsoleControl(DWORD event)
{
    if (event == CTRL_LOGOFF_EVENT) {
        return TRUE; // it does not say whose: a task run for no one goes on
    }
    cancelRequested = true; // the run stops cleanly and reports what was not copied
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && runStopped != nullptr) {
        // The window closed, or the system shuts down: the process ends as
        // soon as this returns, so the run is given the time to remove its copies.
        WaitForSingleObject(runStopped, kCloseWaitMs);
    }
    return TRUE;
}

// The console's Ctrl+C, Ctrl+Break and close cancel the run while it lives.
class ConsoleCancel {
public:
    ConsoleCancel()
    {
        runStopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        SetConsoleCtrlHandler(&onConsoleControl, TRUE);
    }
    ConsoleCancel(const ConsoleCancel&) = delete;
    ConsoleCancel& operator=(const ConsoleCancel&) = delete;
    ~ConsoleCancel()
    {
        if (runStopped != nullptr) {
            SetEvent(runStopped);
        }
    }
};

} // namespace

std::vector<std::string> commandLineArguments()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> list;
    for (int i = 0; arguments && i < count; ++i) {
        list.push_back(narrow(arguments[i]));
    }
    LocalFree(arguments);
    return list;
}

std::optional<int> answerAtOnce(const startup::CommandLine& line, const std::string& programName)
{
    // Only then: the window's program must not attach itself to a console.
    if (!startup::isAnsweredAtOnce(line)) {
        return std::nullopt;
    }
    const auto out = openConsoleOutput();
    const auto err = openConsoleError();
    return startup::answerAtOnce(line, programName, *out, *err);
}

int runUnattendedMode(const std::string& programFolder, const std::string& destination, bool verify,
                      std::optional<unsigned> keep)
{
    const auto out = openConsoleOutput();
    RunTuning tuning;
    tuning.readBack.enabled = verify;
    tuning.keepGenerations = keep.value_or(tuning.keepGenerations);
    const ConsoleCancel cancel;
    const int exitCode = runUnattendedBackup(programFolder, destination, *out, cancelRequested, tuning);
    out->flush();
    return exitCode;
}

int runCheckMode(const std::string& folder, const std::string& generation)
{
    const auto out = openConsoleOutput();
    const auto progress = openConsoleError();
    const ConsoleCancel cancel;
    const int exitCode = runBackupCheck(folder, generation, *out, *progress, cancelRequested);
    out->flush();
    return exitCode;
}

int runGenerationsMode(const std::string& folder)
{
    const auto out = openConsoleOutput();
    return runGenerationListing(folder, *out);
}

} // namespace rv::win32
