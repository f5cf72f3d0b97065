#pragma once

#include "backup/backup_front_end.h"
#include "backup/backup_job.h"
#include "backup/backup_plan.h"
#include "common/result.h"
#include "settings/settings.h"

#include <string>

namespace rv {

// How one backup command ended.
enum class FlowEnd {
    Busy,      // asked for while the command was already under way: nothing done
    Cancelled, // no folder chosen, or a choice with no file-system path
    Refused,   // a check before the run refused the folder
    Declined,  // the user would not copy databases that look open
    Finished,  // the run took place and its outcome was shown
    Closed,    // the main window was closed meanwhile; the front end has ended
};

// The backup command, the same for every front end: the folder is chosen,
// the checks before a run are passed in order (the plan's refusal, the
// folder usable, the open databases), the job runs with its progress, and
// its outcome is shown. From the start of a command until its closing box is
// gone, a second command does nothing, however it was asked for.
class BackupFlow {
public:
    // settings must outlive the flow.
    BackupFlow(const Settings& settings, std::string programFolder, RunTuning tuning = {});

    // Takes the command from the folder choice to the closing box. frontEnd
    // must be the same object for a command's whole length.
    FlowEnd run(BackupFrontEnd& frontEnd);

    // From the click until the closing box is gone.
    bool isBusy() const { return busy_; }
    // While the copying itself runs.
    bool isCopying() const { return job_.isRunning(); }

    // The main window is asked to close. True: no command is under way, it
    // may close now. False: the run (if any) is cancelled, the command stops
    // at its next step, and then the front end's endAfterClose is called.
    bool requestClose();

private:
    FlowEnd takeSteps(BackupFrontEnd& frontEnd);
    // The checks before a run, in order: the plan's refusal, the folder
    // usable, the open databases. The plan to run, or how the command ended.
    Result<BackupPlan, FlowEnd> passChecks(BackupFrontEnd& frontEnd, const std::string& folder);
    bool mayCopyOpenDatabases(BackupFrontEnd& frontEnd);
    FlowEnd copy(BackupFrontEnd& frontEnd, BackupPlan plan);

    const Settings& settings_;
    const std::string programFolder_;
    const RunTuning tuning_;
    BackupJob job_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace rv
