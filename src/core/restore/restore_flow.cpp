#include "restore/restore_flow.h"

#include "common/busy_scope.h"
#include "common/printable_text.h"

#include <utility>

namespace rv {

RestoreFlow::RestoreFlow(RestoreService& service, RestoreFrontEnd& frontEnd) : service_(service), frontEnd_(frontEnd) {}

void RestoreFlow::chooseFolder()
{
    if (ignoredWhileBusy("folder choice")) {
        return;
    }
    closeRequested_ = false;
    {
        const BusyScope busy(busy_);
        listGenerations();
    }
    endIfCloseRequested();
}

void RestoreFlow::chooseGeneration(std::size_t row)
{
    if (ignoredWhileBusy("generation choice") || row >= generations_.size()) {
        return;
    }
    closeRequested_ = false;
    {
        const BusyScope busy(busy_);
        showPreviewOf(row);
    }
    endIfCloseRequested();
}

RestoreEnd RestoreFlow::restore()
{
    if (ignoredWhileBusy("restore")) {
        return RestoreEnd::Busy;
    }
    if (!canRestore()) {
        frontEnd_.log(LogLevel::Info, "no restorable generation is picked; nothing to restore");
        return RestoreEnd::NothingToRun;
    }
    closeRequested_ = false;
    RestoreEnd end = RestoreEnd::Declined;
    {
        const BusyScope busy(busy_);
        end = run(generations_[*picked_]);
    }
    return endIfCloseRequested() ? RestoreEnd::Closed : end;
}

bool RestoreFlow::requestClose()
{
    if (!busy_) {
        return true;
    }
    closeRequested_ = true;
    job_.cancel();
    return false;
}

bool RestoreFlow::ignoredWhileBusy(const char* what)
{
    if (!busy_) {
        return false;
    }
    std::string line = "a step is already under way; ignored: ";
    line += what;
    frontEnd_.log(LogLevel::Info, line);
    return true;
}

bool RestoreFlow::endIfCloseRequested()
{
    if (closeRequested_) {
        frontEnd_.endAfterClose();
    }
    return closeRequested_;
}

void RestoreFlow::listGenerations()
{
    const auto chosen = frontEnd_.chooseFolder();
    if (!chosen) {
        frontEnd_.log(LogLevel::Info, "folder selection cancelled");
        return;
    }
    std::string folder = chosen->substr(0, chosen->find('\0'));
    if (folder.empty()) {
        frontEnd_.log(LogLevel::Info, "the selection has no file-system path; ended as a cancel");
        return;
    }
    generations_.clear();
    picked_.reset();
    preview_.reset();
    folder_ = std::move(folder);
    frontEnd_.showFolder(folder_);
    auto listed = service_.generations(folder_);
    if (!listed.ok()) {
        frontEnd_.showGenerations({});
        frontEnd_.showPreview(std::nullopt);
        std::string line = "no generations to restore from: ";
        line += listed.error().message;
        frontEnd_.log(LogLevel::Warning, line);
        frontEnd_.refuse(describeRestoreRefusal(listed.error()));
        return;
    }
    generations_ = std::move(listed.value());
    std::vector<GenerationLine> lines;
    lines.reserve(generations_.size());
    for (const GenerationSummary& generation : generations_) {
        lines.push_back(describeGeneration(generation));
    }
    frontEnd_.showGenerations(lines);
    frontEnd_.showPreview(std::nullopt);
}

void RestoreFlow::showPreviewOf(std::size_t row)
{
    picked_ = row;
    preview_.reset();
    auto preview = service_.preview(folder_, generations_[row].name);
    if (!preview.ok()) {
        std::string line = "generation ";
        line += printable(generations_[row].name);
        line += " cannot be restored: ";
        line += preview.error().message;
        frontEnd_.log(LogLevel::Warning, line);
        frontEnd_.showPreview(describePreviewRefusal(preview.error()));
        return;
    }
    preview_ = std::move(preview.value());
    frontEnd_.showPreview(describePreview(*preview_));
}

RestoreEnd RestoreFlow::run(const GenerationSummary& generation)
{
    if (!frontEnd_.confirm(describeRestoreQuestion(generation, *preview_))) {
        frontEnd_.log(LogLevel::Info, "restore declined; nothing touched");
        return RestoreEnd::Declined;
    }
    if (closeRequested_) {
        return RestoreEnd::Closed;
    }
    if (!job_.start(service_, folder_, generation.name, frontEnd_.jobHooks()).ok()) {
        return RestoreEnd::Busy; // the job's own guard; the busy mark keeps a second restore from reaching it
    }
    frontEnd_.waitForTheJob(job_);
    const RestoreOutcome outcome = job_.finish();
    if (closeRequested_) {
        return RestoreEnd::Closed;
    }
    frontEnd_.showOutcome(describeRestoreOutcome(outcome));
    return RestoreEnd::Finished;
}

} // namespace rv
