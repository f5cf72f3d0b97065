#include "backup/run_note.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using rv::NoteKind;
using rv::RunNote;

namespace {

struct NoteCase {
    NoteKind kind;
    bool counted; // said once for the run, with how often
};

const NoteCase kNoteCases[] = {
    {NoteKind::UnfinishedCopyRemoved, false},
    {NoteKind::UnfinishedCopiesNotCleared, false},
    {NoteKind::TemporaryLeftBehind, false},
    {NoteKind::LinkReplaced, false},
    {NoteKind::LookNotKept, true},
    {NoteKind::ReadAfterCacheDropped, true},
    {NoteKind::NotReadBack, true},
    {NoteKind::BackupUncheckable, false},
};

} // namespace

// Every note says which kind it is, its count where the run counts it, and
// the first case it names: nothing a log reader needs is lost on the way
// to text.
TEST(RunNote, EachKindSaysItselfItsCountAndItsFirstCase)
{
    std::set<std::string> texts;
    for (const NoteCase& c : kNoteCases) {
        const RunNote note{c.kind, 4711, "/backup/GDATA/写真/a.jpg", "/elsewhere"};
        const std::string text = rv::describeNote(note);
        const bool namesCase = text.find(note.detail) != std::string::npos;
        const bool namesCount = text.find("4711") != std::string::npos;
        // The cache and read-back notes count copies and name none.
        EXPECT_TRUE(namesCase || c.kind == NoteKind::ReadAfterCacheDropped || c.kind == NoteKind::NotReadBack) << text;
        EXPECT_EQ(namesCount, c.counted) << text;
        EXPECT_EQ(text.find("/elsewhere") != std::string::npos, c.kind == NoteKind::LinkReplaced) << text;
        EXPECT_TRUE(texts.insert(text).second) << "said as another kind is: " << text;
    }
}
