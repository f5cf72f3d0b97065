#pragma once

#include "backup/backup_job.h"
#include "backup/backup_message.h"
#include "backup/open_databases.h"
#include "backup/run_log.h"

#include <optional>
#include <string>
#include <vector>

namespace rv {

// What the backup command needs from whoever carries it out: the Qt dialogs,
// the Win32 windows, or the unattended mode that asks nobody and prints. The
// flow decides what happens and in which order; a front end only shows it.
class BackupFrontEnd {
public:
    virtual ~BackupFrontEnd() = default;

    // The folder as the user chose it, NULs and all (empty: a choice with no
    // file-system path); nothing: cancelled.
    virtual std::optional<std::string> chooseFolder() = 0;
    // The choice cut at its first NUL, for the front end to keep (Text1).
    virtual void keepChosenFolder(const std::string& path) = 0;
    // A check before the run refused the folder: says why.
    virtual void refuse(const ResultMessage& why) = 0;
    // Databases look open in the records system: true to copy them anyway.
    virtual bool mayCopyOpenDatabases(const std::vector<OpenDatabase>& open) = 0;
    // Where the job's lines go and how it wakes the front end's wait.
    virtual BackupJob::Hooks jobHooks() = 0;
    // Shows the run until the job's worker has ended, passing a cancel on.
    virtual void waitForTheJob(BackupJob& job) = 0;
    // How the run ended: the closing box, or the summary lines.
    virtual void showOutcome(const JobOutcome& outcome) = 0;
    // The main window was closed during the command, which has now stopped:
    // the program ends.
    virtual void endAfterClose() = 0;
    virtual void log(LogLevel level, const std::string& line) = 0;
};

} // namespace rv
