#include "backup/backup_flow.h"

#include "backup/backup_folder.h"
#include "backup/open_databases.h"
#include "common/busy_scope.h"
#include "common/printable_text.h"
#include "platform/file_system.h"

#include <utility>

namespace rv {
namespace {

bool isExistingFolder(const std::string& path)
{
    const auto entry = platform::inspect(path);
    return entry.ok() && entry.value().kind == platform::EntryKind::Folder;
}

} // namespace

BackupFlow::BackupFlow(const Settings& settings, std::string programFolder, RunTuning tuning)
    : settings_(settings), programFolder_(std::move(programFolder)), tuning_(std::move(tuning))
{
}

FlowEnd BackupFlow::run(BackupFrontEnd& frontEnd)
{
    if (busy_) {
        frontEnd.log(LogLevel::Info, "a backup is already running; the click is ignored");
        return FlowEnd::Busy;
    }
    closeRequested_ = false;
    FlowEnd end = FlowEnd::Cancelled;
    {
        const BusyScope busy(busy_);
        end = takeSteps(frontEnd);
    }
    if (closeRequested_) {
        frontEnd.endAfterClose();
        return FlowEnd::Closed;
    }
    return end;
}

bool BackupFlow::requestClose()
{
    if (!busy_) {
        return true;
    }
    closeRequested_ = true;
    job_.cancel();
    return false;
}

FlowEnd BackupFlow::takeSteps(BackupFrontEnd& frontEnd)
{
    const auto chosen = frontEnd.chooseFolder();
    if (!chosen) {
        frontEnd.log(LogLevel::Info, "folder selection cancelled");
        return FlowEnd::Cancelled;
    }
    const std::string kept = chosen->substr(0, chosen->find('\0'));
    frontEnd.keepChosenFolder(kept);
    const auto folder = backupFolderFromChosenPath(kept);
    if (!folder) {
        frontEnd.log(LogLevel::Info, "the selection has no file-system path; ended as a cancel");
        return FlowEnd::Cancelled;
    }
    if (closeRequested_) {
        return FlowEnd::Closed;
    }
    auto plan = passChecks(frontEnd, *folder);
    if (closeRequested_) {
        return FlowEnd::Closed;
    }
    return plan.ok() ? copy(frontEnd, std::move(plan.value())) : plan.error();
}

Result<BackupPlan, FlowEnd> BackupFlow::passChecks(BackupFrontEnd& frontEnd, const std::string& folder)
{
    using R = Result<BackupPlan, FlowEnd>;
    auto refuse = [&frontEnd](const ResultMessage& why) {
        frontEnd.log(LogLevel::Warning, "destination refused: " + why.text);
        frontEnd.refuse(why);
        return R::failure(FlowEnd::Refused);
    };
    auto plan = makeBackupPlan(settings_, programFolder_, folder);
    if (!plan.ok()) {
        return refuse(describeRefusal(plan.error()));
    }
    if (!isExistingFolder(folder)) {
        return refuse(
            {kMessageCaption, "保存先のフォルダが見つかりません：" + shownPath(folder), MessageIcon::Warning});
    }
    if (!mayCopyOpenDatabases(frontEnd)) {
        return R::failure(FlowEnd::Declined);
    }
    return R::success(std::move(plan.value()));
}

bool BackupFlow::mayCopyOpenDatabases(BackupFrontEnd& frontEnd)
{
    const std::vector<OpenDatabase> open = findOpenDatabases(settings_);
    if (open.empty()) {
        return true;
    }
    for (const OpenDatabase& database : open) {
        frontEnd.log(LogLevel::Warning, "probably open: " + shownPath(database.lockFile));
    }
    const bool yes = frontEnd.mayCopyOpenDatabases(open);
    frontEnd.log(LogLevel::Info, yes ? "copying the open databases as the user chose" : "not copied: databases open");
    return yes;
}

FlowEnd BackupFlow::copy(BackupFrontEnd& frontEnd, BackupPlan plan)
{
    if (!job_.start(std::move(plan), frontEnd.jobHooks(), tuning_).ok()) {
        return FlowEnd::Busy; // the job's own guard; the busy mark keeps a second command from reaching it
    }
    frontEnd.waitForTheJob(job_);
    const JobOutcome outcome = job_.finish();
    if (closeRequested_) {
        return FlowEnd::Closed;
    }
    frontEnd.showOutcome(outcome);
    return FlowEnd::Finished;
}

} // namespace rv
