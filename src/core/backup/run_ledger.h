#pragma once

#include "backup/backup_plan.h"
#include "backup/backup_run.h"
#include "backup/copy_committer.h"
#include "platform/destination_folder.h"
#include "platform/temporary_names.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rv {

// The run's account of what happened: the only writer of the items'
// outcomes and of the notes. Each item is reported, in plan order, as soon
// as its outcome is final.
class RunLedger {
public:
    // surveyedFiles: the files each step was counted to hold before the run.
    RunLedger(const BackupPlan& plan, const BackupCallbacks& callbacks, std::vector<std::uint64_t> surveyedFiles);

    // The step failed as a whole.
    void fail(std::size_t step, CopyReason reason, std::string detail);
    // The step's source could not be opened: an optional one missing at its
    // default path is information, anything else a failure.
    void notCopied(std::size_t step, const platform::FileError& error);
    // An entry of the data folder is not copied. Named at once, so that a
    // killed run has said it; the first few are kept for the closing message.
    void fileNotCopied(std::size_t step, const std::string& relativePath, const platform::FileError& error);
    void fileNotCopied(std::size_t step, const std::string& relativePath, CopyReason reason, std::string detail);
    // The data folder's walk reached one more file.
    void fileMet(std::size_t step);
    // A cancel left files of the folder uncopied.
    void cutShort(std::size_t step);

    // A copy of the step went to the committer; its outcome comes with settle.
    void handedOver(std::size_t step);
    void settle(SettledCopy& settled);
    // A file whose copy an earlier run left holds it as it is: backed up
    // without being written. relativePath: inside the data folder, empty for
    // a single file; file: as the record lists it.
    void unchanged(std::size_t step, const std::string& relativePath, const RecordedFile& file);
    // The run has done all it will do for the step.
    void walked(std::size_t step);
    // Reports, in plan order, each item that is done.
    void report();

    void notRemoved(const std::vector<LeftBehind>& copies);
    // An unchanged copy read back from the disk and found wrong, or not
    // read at all (cause): it is copied again. target: inside the chosen folder.
    void copyFoundWrong(const std::string& target, std::optional<platform::FileError> cause);
    // A note said as it stands, for the log.
    void note(RunNote note);
    void madeFolder(const platform::MadeFolder& made);
    // folder: the one swept, as the user knows it.
    void swept(const std::string& folder, const platform::AbandonedCopies& abandoned);
    // A destination that holds no permissions or owners (FAT) refuses them
    // for every file: said once, with how often. target: the copy's path
    // inside the chosen folder.
    void lookNotKept(const std::string& target, const platform::FileError& error);

    // Once every copy is settled: the result, with the counted notes.
    // readBackAsked: whether the copies were to be read back at all.
    BackupResult close(bool readBackAsked);

private:
    // What the run knows of a step while it goes.
    struct StepState {
        bool walked = false;         // the run has done all it will do for it
        std::uint64_t unsettled = 0; // handed to the committer, outcome not final yet
        bool placed = false;         // something of it was put in place
        bool cancelled = false;      // a cancel left files of the folder uncopied
        std::uint64_t filesMet = 0;  // files of the folder its walk reached
        std::uint64_t surveyed = 0;  // files of the folder counted before the run
    };

    void addFileFailure(std::size_t step, const FileFailure& failure);
    // A note said once for the run: counted, with its first case.
    void countNote(NoteKind kind, std::string detail, std::optional<platform::FileError> cause = {});
    std::uint64_t counted(NoteKind kind) const;
    // The path the user knows of a copy's target inside the chosen folder.
    std::string shown(const std::string& target) const;
    bool isDone(std::size_t step) const;
    void conclude(std::size_t step);
    void settleFile(const PendingCopy& copy, SettledCopy& settled);
    void recordCopied(std::size_t step, const RecordedFile& file) const;
    void countReadBack(ReadBackOutcome outcome);

    const BackupPlan& plan_;
    const BackupCallbacks& callbacks_;
    std::vector<StepState> states_;
    std::size_t nextReport_ = 0;   // the first item not reported yet
    std::vector<RunNote> counted_; // in the order each kind first came
    BackupResult result_;
};

} // namespace rv
