#include "backup/run_ledger.h"

#include "backup/run_record.h"
#include "common/path_text.h"
#include "platform/local_time.h"

#include <algorithm>

namespace rv {
namespace {

using platform::FileError;
using platform::FileErrorKind;

void setFailed(ItemResult& item, CopyReason reason, std::string detail)
{
    item.outcome = ItemOutcome::Failed;
    item.reason = reason;
    item.detail = std::move(detail);
}

// The note of kind among notes said once for the run, or end.
template <typename Notes> auto noteOfKind(Notes& notes, NoteKind kind)
{
    return std::find_if(notes.begin(), notes.end(), [kind](const RunNote& note) { return note.kind == kind; });
}

} // namespace

RunLedger::RunLedger(const BackupPlan& plan, const BackupCallbacks& callbacks, std::vector<std::uint64_t> surveyedFiles)
    : plan_(plan), callbacks_(callbacks), states_(plan.steps.size())
{
    for (std::size_t i = 0; i < plan.steps.size(); ++i) {
        const CopyStep& step = plan.steps[i];
        ItemResult item;
        item.name = step.name;
        item.source = step.source;
        item.destination = step.destination;
        result_.items.push_back(std::move(item));
        states_[i].surveyed = i < surveyedFiles.size() ? surveyedFiles[i] : 0;
    }
}

void RunLedger::fail(std::size_t step, CopyReason reason, std::string detail)
{
    setFailed(result_.items[step], reason, std::move(detail));
}

void RunLedger::notCopied(std::size_t step, const FileError& error)
{
    ItemResult& item = result_.items[step];
    if (error.kind == FileErrorKind::NotFound && plan_.steps[step].optional) {
        item.outcome = ItemOutcome::NotPresent;
        item.reason = FileErrorKind::NotFound;
        item.detail = error.detail;
        return;
    }
    setFailed(item, error.kind, error.detail);
}

void RunLedger::addFileFailure(std::size_t step, const FileFailure& failure)
{
    ItemResult& item = result_.items[step];
    ++item.fileFailureCount;
    if (item.fileFailures.size() < kFileFailuresKept) {
        item.fileFailures.push_back(failure);
    }
    if (callbacks_.onFileNotCopied) {
        callbacks_.onFileNotCopied(item, failure);
    }
}

void RunLedger::fileNotCopied(std::size_t step, const std::string& relativePath, const FileError& error)
{
    fileNotCopied(step, relativePath, error.kind, error.detail);
}

void RunLedger::fileNotCopied(std::size_t step, const std::string& relativePath, CopyReason reason, std::string detail)
{
    addFileFailure(step, {relativePath, reason, std::move(detail)});
}

void RunLedger::fileMet(std::size_t step) { ++states_[step].filesMet; }

void RunLedger::cutShort(std::size_t step) { states_[step].cancelled = true; }

void RunLedger::handedOver(std::size_t step) { ++states_[step].unsettled; }

void RunLedger::settle(SettledCopy& settled)
{
    const PendingCopy& copy = settled.copy;
    --states_[copy.step].unsettled;
    const auto* folder = std::get_if<FilledFolder>(&copy.entry);
    const std::string target = folder ? folder->relativePath : std::get<platform::PendingFile>(copy.entry).targetPath;
    // A disk pulled out mid-run fails every copy still on its way, and none of
    // them can be removed: one note says it, with how many.
    if (settled.failure && settled.failure->reason == BackupReason::DestinationGone) {
        countNote(NoteKind::DestinationLost, shown(target));
    } else if (settled.leftBehind) {
        countNote(NoteKind::TemporaryLeftBehind, shown(target), settled.leftBehind);
    }
    if (folder) {
        if (settled.failure && settled.failure->reason != BackupReason::DestinationGone) {
            countNote(NoteKind::LookNotKept, shown(target));
        }
    } else {
        settleFile(copy, settled);
    }
    report(); // the copy may have been the last an item waited for
}

void RunLedger::settleFile(const PendingCopy& copy, SettledCopy& settled)
{
    ItemResult& item = result_.items[copy.step];
    if (!settled.failure) {
        states_[copy.step].placed = true;
        item.filesCopied += copy.relativePath.empty() ? 0 : 1;
        countReadBack(settled.readBack);
        const auto& file = std::get<platform::PendingFile>(copy.entry);
        recordCopied(copy.step, {recordPathOf(plan_.steps[copy.step].name, copy.relativePath), file.bytes,
                                 platform::modifiedTimeText(file.modified), file.digest});
    } else if (copy.relativePath.empty()) {
        setFailed(item, settled.failure->reason, std::move(settled.failure->detail));
    } else {
        addFileFailure(copy.step, {copy.relativePath, settled.failure->reason, settled.failure->detail});
    }
}

void RunLedger::unchanged(std::size_t step, const std::string& relativePath, const RecordedFile& file)
{
    states_[step].placed = true;
    result_.items[step].filesCopied += relativePath.empty() ? 0 : 1;
    recordCopied(step, file);
}

void RunLedger::walked(std::size_t step) { states_[step].walked = true; }

void RunLedger::report()
{
    for (; nextReport_ < plan_.steps.size() && isDone(nextReport_); ++nextReport_) {
        conclude(nextReport_);
        if (callbacks_.onItemDone) {
            callbacks_.onItemDone(result_.items[nextReport_]);
        }
    }
}

// An item is done once the run is through with it and every copy of it is
// settled; one that a later item of the same name may overwrite waits for
// that item.
bool RunLedger::isDone(std::size_t step) const
{
    const StepState& state = states_[step];
    const auto later = plan_.steps[step].overwrittenBy;
    return state.walked && state.unsettled == 0 && (!later || isDone(*later));
}

// The outcome of a done item: a folder fails with its first failure or the
// cancel, and an item whose copy a later item replaced says so.
void RunLedger::conclude(std::size_t step)
{
    ItemResult& item = result_.items[step];
    const StepState& state = states_[step];
    if (plan_.steps[step].kind == StepKind::Folder && item.outcome == ItemOutcome::Copied) {
        // Of a folder cut short the count made before the run is the better total.
        item.filesTotal = state.cancelled ? std::max(state.filesMet, state.surveyed) : state.filesMet;
        if (state.cancelled) {
            setFailed(item, FileErrorKind::Cancelled, {});
        } else if (item.fileFailureCount > 0) {
            setFailed(item, item.fileFailures.front().reason, item.fileFailures.front().detail);
        }
    }
    const auto later = plan_.steps[step].overwrittenBy;
    if (later && states_[*later].placed && item.outcome == ItemOutcome::Copied) {
        setFailed(item, BackupReason::Overwritten, result_.items[*later].source);
    }
}

// A copy that a later item of the same name may replace is left out: the
// record never lists a file for what it no longer holds.
void RunLedger::recordCopied(std::size_t step, const RecordedFile& file) const
{
    if (callbacks_.onFileCopied && !plan_.steps[step].overwrittenBy) {
        callbacks_.onFileCopied(file);
    }
}

void RunLedger::countReadBack(ReadBackOutcome outcome)
{
    if (outcome == ReadBackOutcome::NotRead) {
        countNote(NoteKind::NotReadBack, {});
    } else if (outcome == ReadBackOutcome::CacheDropped) {
        countNote(NoteKind::ReadAfterCacheDropped, {});
    }
}

void RunLedger::note(RunNote note) { result_.notes.push_back(std::move(note)); }

void RunLedger::countNote(NoteKind kind, std::string detail, std::optional<FileError> cause)
{
    const auto known = noteOfKind(counted_, kind);
    if (known != counted_.end()) {
        ++known->count;
    } else {
        counted_.push_back({kind, 1, std::move(detail), {}, std::move(cause)});
    }
}

std::uint64_t RunLedger::counted(NoteKind kind) const
{
    const auto known = noteOfKind(counted_, kind);
    return known != counted_.end() ? known->count : 0;
}

std::string RunLedger::shown(const std::string& target) const { return entryPath(plan_.backupFolder, target); }

void RunLedger::notRemoved(const std::vector<LeftBehind>& copies)
{
    for (const LeftBehind& copy : copies) {
        countNote(NoteKind::TemporaryLeftBehind, shown(copy.target), copy.error);
    }
}

void RunLedger::copyFoundWrong(const std::string& target, std::optional<FileError> cause)
{
    countNote(NoteKind::EarlierCopyWrong, shown(target), std::move(cause));
}

void RunLedger::madeFolder(const platform::MadeFolder& made)
{
    if (made.replacedLink) {
        note({NoteKind::LinkReplaced, 1, made.folder.path(), *made.replacedLink, {}});
    }
    if (made.lookNotKept) {
        lookNotKept(made.folder.relativePath(), *made.lookNotKept);
    }
}

void RunLedger::swept(const std::string& folder, const platform::AbandonedCopies& abandoned)
{
    for (std::size_t i = 0; i < abandoned.removed.size(); ++i) {
        countNote(NoteKind::UnfinishedCopyRemoved, folder);
    }
    for (const FileError& error : abandoned.notRemoved) {
        countNote(NoteKind::UnfinishedCopiesNotCleared, folder, error);
    }
}

void RunLedger::lookNotKept(const std::string& target, const FileError& error)
{
    countNote(NoteKind::LookNotKept, shown(target), error);
}

BackupResult RunLedger::close(bool readBackAsked)
{
    report();
    // How the copies were read back, where it was not from the device itself.
    result_.allVerified = counted(NoteKind::NotReadBack) == 0;
    for (RunNote& once : counted_) {
        if (once.kind != NoteKind::NotReadBack || readBackAsked) {
            note(std::move(once));
        }
    }
    counted_.clear();
    for (const ItemResult& item : result_.items) {
        result_.cancelled =
            result_.cancelled || (item.outcome == ItemOutcome::Failed && item.reason == FileErrorKind::Cancelled);
    }
    return std::move(result_);
}

} // namespace rv
