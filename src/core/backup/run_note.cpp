#include "backup/run_note.h"

#include "backup/copy_reason.h"

namespace rv {
namespace {

// "：why" where the system said why.
std::string because(const RunNote& note) { return note.cause ? "：" + describeFileError(*note.cause) : std::string(); }

} // namespace

std::string describeNote(const RunNote& note)
{
    const std::string count = std::to_string(note.count);
    switch (note.kind) {
    case NoteKind::UnfinishedCopyRemoved:
        return "以前に途中で終わったバックアップの書きかけのコピーを " + count + " 個削除しました（最初は " +
               note.detail + " の中）";
    case NoteKind::UnfinishedCopiesNotCleared:
        return "以前に途中で終わったバックアップの書きかけのコピーを片付けられませんでした（" + count +
               " か所、最初は " + note.detail + because(note) + "）";
    case NoteKind::TemporaryLeftBehind:
        return "書きかけのコピーが " + count + " 個、削除できずに残っています。次のバックアップで削除します（最初は " +
               note.detail + " のコピー" + because(note) + "）";
    case NoteKind::LinkReplaced:
        return "保存先の " + note.detail + " にあったリンク（" + note.pointedTo +
               " を指していました）をフォルダに置き換えました";
    case NoteKind::LookNotKept:
        return count +
               " 個のコピーに、アクセス権や所有者を元のとおりに付けられませんでした。保存先のディスクが持てないことがあ"
               "ります（最初は " +
               note.detail + because(note) + "）";
    case NoteKind::ReadAfterCacheDropped:
        return count +
               " 個のコピーは、ディスクから直接読めないため、システムのキャッシュを捨ててから読み直して確認しました";
    case NoteKind::NotReadBack:
        return "中止したため、" + count + " 個のコピーは読み直して確認しないまま置きました";
    case NoteKind::BackupUncheckable:
        return "バックアップの記録を書けませんでした。このバックアップは後から確かめられません（" + note.detail +
               because(note) + "）";
    case NoteKind::EarlierCopyWrong:
        return count + " 個の前回のコピーを読み直したところ、元と違うか読めなかったため、コピーし直しました（最初は " +
               note.detail + because(note) + "）";
    case NoteKind::GenerationRemoved:
        return "以前のバックアップ「" + note.detail + "」を削除しました（" + note.pointedTo + "）";
    case NoteKind::GenerationNotRemoved:
        return "以前のバックアップ" + (note.detail.empty() ? std::string() : "「" + note.detail + "」") +
               "を削除できませんでした（" + note.pointedTo + because(note) + "）";
    case NoteKind::DestinationLost:
        return "保存先が途中で使えなくなりました。" + count + " 個のファイルを保存先に置けませんでした（最初は " +
               note.detail + "）";
    }
    return note.detail;
}

} // namespace rv
