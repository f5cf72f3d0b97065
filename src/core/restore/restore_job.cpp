#include "restore/restore_job.h"

#include "common/printable_text.h"
#include "restore/restore_texts.h"

#include <utility>

namespace rv {

RestoreJob::~RestoreJob() { cancel(); }

Result<std::monostate, StartRefusal> RestoreJob::start(RestoreService& service, std::string backupFolder,
                                                       std::string generation, Hooks hooks)
{
    using R = Result<std::monostate, StartRefusal>;
    if (run_.isRunning()) {
        if (hooks.log) {
            hooks.log(LogLevel::Info, "a restore is already running; the second start is ignored");
        }
        return R::failure({StartRefusal::Why::AlreadyRunning});
    }
    hooks_ = std::move(hooks);
    std::string line = "restoring ";
    line += printable(generation);
    line += " from ";
    line += shownPath(backupFolder);
    log(LogLevel::Info, line);
    run_.start(
        [this, &service, folder = std::move(backupFolder), name = std::move(generation)] {
            return service.restore(
                folder, name, [this](const RestoreProgress& progress) { run_.report(progress); }, run_.cancelFlag());
        },
        hooks_.onFinished);
    return R::success({});
}

void RestoreJob::cancel()
{
    if (run_.cancel()) {
        log(LogLevel::Info, "cancel requested");
    }
}

std::optional<ProgressText> RestoreJob::takeProgress()
{
    const std::optional<RestoreProgress> progress = run_.takeProgress();
    if (!progress) {
        return std::nullopt;
    }
    return describeRestoreProgress(*progress);
}

RestoreOutcome RestoreJob::finish()
{
    RestoreOutcome outcome = run_.finish();
    for (const std::string& notDone : outcome.notDone) {
        log(LogLevel::Warning, printable(notDone));
    }
    std::string line = "restore result: ";
    line += outcome.summary;
    log(outcome.exitCode == kRestoreAllRestored ? LogLevel::Info : LogLevel::Warning, line);
    return outcome;
}

void RestoreJob::log(LogLevel level, const std::string& line) const
{
    if (hooks_.log) {
        hooks_.log(level, line);
    }
}

} // namespace rv
