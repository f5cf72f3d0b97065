#include "backup/run_note.h"

#include "platform/system_error_text.h"

#include <gtest/gtest.h>

#include <string>

using rv::NoteKind;
using rv::RunNote;
using rv::platform::FileError;
using rv::platform::FileErrorKind;

namespace {

struct NoteCase {
    NoteKind kind;
    std::string line; // WHY stands for the cause as the user reads it
};

const NoteCase kNoteCases[] = {
    {NoteKind::UnfinishedCopyRemoved,
     "以前に途中で終わったバックアップの書きかけのコピーを 4711 個削除しました（最初は /backup/GDATA/写真 の中）"},
    {NoteKind::UnfinishedCopiesNotCleared, "以前に途中で終わったバックアップの書きかけのコピーを片付けられませんでした"
                                           "（4711 か所、最初は /backup/GDATA/写真WHY）"},
    {NoteKind::TemporaryLeftBehind, "書きかけのコピーが 4711 個、削除できずに残っています。次のバックアップで削除します"
                                    "（最初は /backup/GDATA/写真 のコピーWHY）"},
    {NoteKind::LinkReplaced,
     "保存先の /backup/GDATA/写真 にあったリンク（/elsewhere を指していました）をフォルダに置き換えました"},
    {NoteKind::LookNotKept, "4711 個のコピーに、アクセス権や所有者を元のとおりに付けられませんでした。"
                            "保存先のディスクが持てないことがあります（最初は /backup/GDATA/写真WHY）"},
    {NoteKind::ReadAfterCacheDropped,
     "4711 個のコピーは、ディスクから直接読めないため、システムのキャッシュを捨ててから読み直して確認しました"},
    {NoteKind::NotReadBack, "中止したため、4711 個のコピーは読み直して確認しないまま置きました"},
    {NoteKind::BackupUncheckable, "バックアップの記録を書けませんでした。このバックアップは後から確かめられません"
                                  "（/backup/GDATA/写真WHY）"},
    {NoteKind::DestinationLost,
     "保存先が途中で使えなくなりました。4711 個のファイルを保存先に置けませんでした（最初は /backup/GDATA/写真）"},
    {NoteKind::EarlierCopyWrong, "4711 個の前回のコピーを読み直したところ、元と違うか読めなかったため、コピーし直しまし"
                                 "た（最初は /backup/GDATA/写真WHY）"},
    // Of a generation: its name, and why (given where the link's target goes).
    {NoteKind::GenerationRemoved, "以前のバックアップ「/backup/GDATA/写真」を削除しました（/elsewhere）"},
    {NoteKind::GenerationNotRemoved, "以前のバックアップ「/backup/GDATA/写真」を削除できませんでした（/elsewhereWHY）"},
};

} // namespace

// Every note over one first case and a cause whose system wording names a
// temporary copy: one Japanese line that names the backed-up file, and the
// cause only in the user's terms.
TEST(RunNote, EachKindIsOneJapaneseLineNamingTheBackedUpFile)
{
    const FileError cause{FileErrorKind::NotWritable, "/backup/GDATA/写真/.rvtmp-22532-1: Input/output error", 9999};
    const std::string why = "：書き込めません：" + rv::platform::describeSystemError(9999);
    for (const NoteCase& c : kNoteCases) {
        const RunNote note{c.kind, 4711, "/backup/GDATA/写真", "/elsewhere", cause};
        std::string expected = c.line;
        if (const auto at = expected.find("WHY"); at != std::string::npos) {
            expected.replace(at, 3, why);
        }
        EXPECT_EQ(rv::describeNote(note), expected);
    }
}

// The system's error numbers a clinic meets most are said in words, with the
// number; one without words is said by its number alone.
TEST(RunNote, SystemErrorsAreSaidInJapanese)
{
#ifdef _WIN32
    EXPECT_EQ(rv::platform::describeSystemError(32), "ほかのプログラムが使っています（Windows のエラー 32）");
    EXPECT_EQ(rv::platform::describeSystemError(9999), "Windows のエラー 9999");
#else
    EXPECT_EQ(rv::platform::describeSystemError(ENAMETOOLONG),
              "名前が長すぎます（エラー番号 " + std::to_string(ENAMETOOLONG) + "）");
    EXPECT_EQ(rv::platform::describeSystemError(9999), "エラー番号 9999");
#endif
}
