#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rv {

// Side problems of a run, for the log and the unattended output.
enum class NoteKind {
    UnfinishedCopyRemoved,      // copies an earlier run left when it was cut off, removed
    UnfinishedCopiesNotCleared, // such copies could not be looked for or removed
    TemporaryLeftBehind,        // copies of this run that could not be removed
    LinkReplaced,               // a link where a folder of the backup goes, replaced by a folder
    LookNotKept,                // permissions or owner not kept (the destination may hold none)
    ReadAfterCacheDropped,      // copies read back only after dropping the system's cache
    NotReadBack,                // copies put in place unread, as the run was cancelled
    BackupUncheckable,          // the backup's record could not be written: the backup cannot be checked
    DestinationLost,            // the chosen folder went during the run (its disk taken away)
    EarlierCopyWrong,           // an unchanged copy read back wrong or unreadable: copied again
    GenerationRemoved,          // an earlier generation removed before the run: detail names it, pointedTo why
    GenerationNotRemoved,       // one that was to be removed, or part of it, is still there (detail: none
                                // when the generations could not even be looked at)
};

// One note: what happened, how often, and the first case of it. Each kind but
// a replaced link and the record is said once for the run, with how often:
// a disk pulled out mid-run makes one note, not one per copy.
struct RunNote {
    NoteKind kind;
    std::uint64_t count = 1;
    // The first case: the file or folder of the backup it concerns, as the
    // user knows it (never the name a copy had on the way).
    std::string detail;
    std::string pointedTo; // of a replaced link: where it pointed; of a generation removed or not: why
    std::optional<platform::FileError> cause; // what the system said, where it said something

    friend bool operator==(const RunNote&, const RunNote&) = default;
};

// The note as the log and the unattended output give it, in Japanese: the one
// place a note becomes text.
std::string describeNote(const RunNote& note);

} // namespace rv
