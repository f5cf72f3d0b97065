#pragma once

#include "backup/backup_message.h"
#include "backup/run_log.h"
#include "restore/restore_job.h"
#include "restore/restore_texts.h"

#include <optional>
#include <string>
#include <vector>

namespace rv {

// What the restore window needs from the window that carries it out: the Qt
// one or the Win32 one. The restore flow decides what happens and in which
// order and gives every text; a front end only shows it and hands the user's
// choices back to the flow.
class RestoreFrontEnd {
public:
    virtual ~RestoreFrontEnd() = default;

    // The backup folder as the user chose it in the same picker as the main
    // window's, NULs and all; nothing: cancelled.
    virtual std::optional<std::string> chooseFolder() = 0;
    // The chosen folder, cut at its first NUL, as the window shows it.
    virtual void showFolder(const std::string& folder) = 0;
    // The generations of the chosen folder, newest first; the user picks one
    // (RestoreFlow::chooseGeneration). Empty: the folder has none to show.
    virtual void showGenerations(const std::vector<GenerationLine>& lines) = 0;
    // What restoring the picked generation would do; nothing: none is
    // picked. The restore is offered only while a restorable one is shown.
    virtual void showPreview(const std::optional<PreviewText>& preview) = 0;
    // The folder cannot be restored from: says why.
    virtual void refuse(const ResultMessage& why) = 0;
    // The question before the restore, with Yes and No, No the default
    // (Enter and Escape): true only when the user chose Yes.
    virtual bool confirm(const ResultMessage& question) = 0;
    // Where the job's lines go and how it wakes the front end's wait.
    virtual RestoreJob::Hooks jobHooks() = 0;
    // Shows the restore's progress until the job's worker has ended, passing
    // a cancel on.
    virtual void waitForTheJob(RestoreJob& job) = 0;
    // How the restore ended: the closing box.
    virtual void showOutcome(const ResultMessage& outcome) = 0;
    // The window was closed during a restore, which has now stopped: the
    // window goes.
    virtual void endAfterClose() = 0;
    virtual void log(LogLevel level, const std::string& line) = 0;
};

} // namespace rv
