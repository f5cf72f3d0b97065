#include "qt/backup/backup_to_command.h"

#include "backup/unattended_backup.h"
#include "platform/paths.h"
#include "record/backup_check.h"

#include <atomic>
#include <csignal>
#include <iostream>

namespace rv::backup {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterrupt(int /*signal*/) { interrupted = true; }

// Ctrl+C and a polite kill stop the work cleanly rather than at once.
void stopOnInterrupt()
{
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGTERM, onInterrupt);
}

} // namespace

int runBackupTo(const std::string& destination, bool verify)
{
    auto programFolder = platform::executableFolder();
    if (!programFolder.ok()) {
        std::cout << "プログラムのフォルダがわかりません：" << programFolder.error() << std::endl;
        return kExitFatal;
    }
    stopOnInterrupt();
    RunTuning tuning;
    tuning.readBack.enabled = verify;
    return runUnattendedBackup(programFolder.value(), destination, std::cout, interrupted, tuning);
}

int runCheckOf(const std::string& folder)
{
    stopOnInterrupt();
    return runBackupCheck(folder, std::cout, std::cerr, interrupted);
}

} // namespace rv::backup
