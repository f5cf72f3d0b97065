#include "qt/backup/backup_to_command.h"

#include "backup/unattended_backup.h"
#include "platform/paths.h"
#include "record/backup_check.h"

#include <atomic>
#include <iostream>
#include <signal.h>

namespace rv::backup {
namespace {

std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void onInterrupt(int /*signal*/) { interrupted = true; }

// Ctrl+C and a polite kill stop the work cleanly rather than at once. Without
// SA_RESTART: a call that waits (the open of a pipe, a read from a hung
// network disk) ends with EINTR and the run sees the cancel, where a
// restarted call would wait on for good.
void stopOnInterrupt()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int runBackupTo(const std::string& destination, bool verify, std::optional<unsigned> keep)
{
    auto programFolder = platform::executableFolder();
    if (!programFolder.ok()) {
        std::cout << "プログラムのフォルダがわかりません。" << std::endl;
        return kExitFatal;
    }
    stopOnInterrupt();
    RunTuning tuning;
    tuning.readBack.enabled = verify;
    tuning.keepGenerations = keep.value_or(tuning.keepGenerations);
    return runUnattendedBackup(programFolder.value(), destination, std::cout, interrupted, tuning);
}

int runCheckOf(const std::string& folder, const std::string& generation)
{
    stopOnInterrupt();
    return runBackupCheck(folder, generation, std::cout, std::cerr, interrupted);
}

} // namespace rv::backup
