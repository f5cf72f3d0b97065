#pragma once

#include <cstdint>
#include <string>

namespace rv {

// Side problems of a run that lost no data, for the log.
enum class NoteKind {
    UnfinishedCopyRemoved,      // a copy an earlier run left when it was cut off, removed
    UnfinishedCopiesNotCleared, // such copies could not be looked for or removed
    TemporaryLeftBehind,        // a temporary file of this run that could not be removed
    LinkReplaced,               // a link where a folder of the backup goes, replaced by a folder
    LookNotKept,                // permissions or owner not kept (the destination may hold none)
    ReadAfterCacheDropped,      // copies read back only after dropping the system's cache
    NotReadBack,                // copies put in place unread, as the run was cancelled
    BackupUncheckable,          // the backup's record could not be written: the backup cannot be checked
};

// One note: what happened, how often, and the first case of it. A note said
// for each case (a file left behind, which the user may want to remove)
// comes once per case, with a count of one.
struct RunNote {
    NoteKind kind;
    std::uint64_t count = 1;
    std::string detail;    // the first case: a path, or the system's own wording
    std::string pointedTo; // of a replaced link: where it pointed

    friend bool operator==(const RunNote&, const RunNote&) = default;
};

// The note as the log and the unattended output give it: the one place a
// note becomes text.
std::string describeNote(const RunNote& note);

} // namespace rv
