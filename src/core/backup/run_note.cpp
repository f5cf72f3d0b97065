#include "backup/run_note.h"

namespace rv {

std::string describeNote(const RunNote& note)
{
    const std::string count = std::to_string(note.count);
    switch (note.kind) {
    case NoteKind::UnfinishedCopyRemoved:
        return "removed an unfinished copy left by an earlier run: " + note.detail;
    case NoteKind::UnfinishedCopiesNotCleared:
        return "could not clear unfinished copies of an earlier run: " + note.detail;
    case NoteKind::TemporaryLeftBehind:
        return "temporary file left behind: " + note.detail;
    case NoteKind::LinkReplaced:
        return "a link where a folder of the backup goes was replaced by a folder: " + note.detail +
               " (it pointed to " + note.pointedTo + ")";
    case NoteKind::LookNotKept:
        return "permissions or owner not kept for " + count + " copies (the destination may hold none): " + note.detail;
    case NoteKind::ReadAfterCacheDropped:
        return "read back after dropping the system's cache, as the file system refuses to read past it: " + count +
               " copies";
    case NoteKind::NotReadBack:
        return "put in place without being read back, as the run was cancelled: " + count + " copies";
    case NoteKind::BackupUncheckable:
        return "バックアップの記録を書けませんでした。このバックアップは後から確かめられません（" + note.detail + "）";
    }
    return note.detail;
}

} // namespace rv
