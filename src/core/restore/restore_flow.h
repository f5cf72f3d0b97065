#pragma once

#include "restore/restore_front_end.h"
#include "restore/restore_job.h"
#include "restore/restore_service.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace rv {

// How one restore command ended.
enum class RestoreEnd {
    Busy,         // asked for while a step was already under way: nothing done
    NothingToRun, // no restorable generation is picked
    Declined,     // the user answered No: nothing touched
    Finished,     // the restore ran and its outcome was shown
    Closed,       // the window was closed meanwhile; the front end has ended
};

// The restore window's steps, the same for every front end. The window
// hands over the user's three actions: choosing a backup folder (its
// generations are shown, or why there are none), picking a generation (what
// restoring it would replace is shown), and the restore itself (asked first,
// No the default; then run on a worker with progress and cancel, and its
// outcome shown). Nothing is touched before the user says Yes.
class RestoreFlow {
public:
    // service and frontEnd must outlive the flow.
    RestoreFlow(RestoreService& service, RestoreFrontEnd& frontEnd);

    // The folder button: returns once the folder's generations (or why it has
    // none) are shown, or the choice was cancelled, which changes nothing.
    void chooseFolder();
    // A generation was picked in the list, by its row.
    void chooseGeneration(std::size_t row);
    // The restore button: returns when the closing box is gone.
    RestoreEnd restore();

    // A restorable generation is picked and nothing is under way.
    bool canRestore() const { return !busy_ && picked_ && preview_; }
    bool isBusy() const { return busy_; }

    // The window is asked to close. True: no restore is under way, it may
    // close now. False: the restore is cancelled and, once it has stopped,
    // the front end's endAfterClose is called.
    bool requestClose();

private:
    // Logs a step asked for while another is under way; true: ignore it.
    bool ignoredWhileBusy(const char* what);
    // After a step: a close asked for meanwhile ends the front end now.
    bool endIfCloseRequested();
    void listGenerations();
    void showPreviewOf(std::size_t row);
    RestoreEnd run(const GenerationSummary& generation);

    RestoreService& service_;
    RestoreFrontEnd& frontEnd_;
    std::string folder_;
    std::vector<GenerationSummary> generations_;
    std::optional<std::size_t> picked_;
    std::optional<RestorePreview> preview_; // of the picked generation, when it can be restored
    RestoreJob job_;
    bool busy_ = false;
    bool closeRequested_ = false;
};

} // namespace rv
