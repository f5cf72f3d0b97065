#include "backup/copy_reason.h"

#include "platform/system_error_text.h"

namespace rv {
namespace {

using platform::FileErrorKind;

std::string_view textOf(FileErrorKind kind)
{
    switch (kind) {
    case FileErrorKind::NotFound:
        return "見つかりません";
    case FileErrorKind::NotReadable:
        return "読み取れません";
    case FileErrorKind::NotWritable:
        return "書き込めません";
    case FileErrorKind::NoSpace:
        return "保存先の空き容量が足りません";
    case FileErrorKind::TooLarge:
        return "大きすぎて保存先に書き込めません";
    case FileErrorKind::Cancelled:
        return "中止しました";
    case FileErrorKind::Changed:
        return "コピー中に変更されました";
    case FileErrorKind::Link:
        return "リンクです（リンク先はたどらず、コピーしていません）";
    case FileErrorKind::Pipe:
        return "名前付きパイプです（通常のファイルではありません）";
    case FileErrorKind::Device:
        return "デバイスです（通常のファイルではありません）";
    case FileErrorKind::Socket:
        return "ソケットです（通常のファイルではありません）";
    case FileErrorKind::Replaced:
        return "コピーの直前に別のものと置き換えられました";
    case FileErrorKind::Virtual:
        return "システムが作る仮想のファイルです（ディスク上のデータではありません）";
    case FileErrorKind::InvalidName:
        return "この保存先では使えない名前です";
    }
    // A kind with no wording of its own yet was a failure to write.
    return textOf(FileErrorKind::NotWritable);
}

std::string_view textOf(BackupReason reason)
{
    switch (reason) {
    case BackupReason::Overwritten:
        return "同じ名前の別のファイルで上書きされました";
    case BackupReason::SelfCopy:
        return "コピー元と保存先が同じです";
    case BackupReason::BadName:
        return "ファイル名が正しくありません";
    case BackupReason::NotFlushed:
        return "保存先への書き込みを確定できません";
    case BackupReason::NotVerified:
        return "書き込んだ内容を確認できませんでした";
    case BackupReason::NameTakenAsOne:
        return "大文字と小文字の違いしかない名前のファイルが、保存先ではすでに別のファイルです";
    case BackupReason::FolderNameTakenAsOne:
        return "大文字と小文字の違いしかない名前のフォルダが、保存先ではすでに別のフォルダです";
    case BackupReason::DestinationGone:
        return "保存先が途中で使えなくなりました";
    case BackupReason::EarlierCopyNotKept:
        return "前回のコピーを「以前のバックアップ」へ移せないため、前回のコピーのまま残しました";
    }
    return "コピーできません";
}

} // namespace

std::string_view reasonText(CopyReason reason)
{
    return std::visit([](auto why) { return textOf(why); }, reason.why());
}

std::string describeFileError(const platform::FileError& error)
{
    std::string text(textOf(error.kind));
    if (error.code != 0) {
        text += "：" + platform::describeSystemError(error.code);
    }
    return text;
}

} // namespace rv
