#include "backup/copy_reason.h"

namespace rv {

std::string_view reasonText(CopyReason reason)
{
    switch (reason) {
    case CopyReason::NotFound:
        return "見つかりません";
    case CopyReason::NotReadable:
        return "読み取れません";
    case CopyReason::NotWritable:
        return "書き込めません";
    case CopyReason::NoSpace:
        return "保存先の空き容量が足りません";
    case CopyReason::TooLarge:
        return "大きすぎて保存先に書き込めません";
    case CopyReason::Overwritten:
        return "同じ名前の別のファイルで上書きされました";
    case CopyReason::Cancelled:
        return "中止しました";
    case CopyReason::SelfCopy:
        return "コピー元と保存先が同じです";
    case CopyReason::BadName:
        return "ファイル名が正しくありません";
    case CopyReason::NotFlushed:
        return "保存先への書き込みを確定できません";
    case CopyReason::Changed:
        return "コピー中に変更されました";
    case CopyReason::Link:
        return "リンクです（リンク先はたどらず、コピーしていません）";
    case CopyReason::Pipe:
        return "名前付きパイプです（通常のファイルではありません）";
    case CopyReason::Device:
        return "デバイスです（通常のファイルではありません）";
    case CopyReason::Socket:
        return "ソケットです（通常のファイルではありません）";
    case CopyReason::Replaced:
        return "コピーの直前に別のものと置き換えられました";
    case CopyReason::Virtual:
        return "システムが作る仮想のファイルです（ディスク上のデータではありません）";
    case CopyReason::NotVerified:
        return "書き込んだ内容を確認できませんでした";
    }
    return "コピーできません";
}

CopyReason reasonFor(platform::FileErrorKind kind)
{
    switch (kind) {
    case platform::FileErrorKind::NotFound:
        return CopyReason::NotFound;
    case platform::FileErrorKind::NotReadable:
        return CopyReason::NotReadable;
    case platform::FileErrorKind::NotWritable:
        return CopyReason::NotWritable;
    case platform::FileErrorKind::NoSpace:
        return CopyReason::NoSpace;
    case platform::FileErrorKind::TooLarge:
        return CopyReason::TooLarge;
    case platform::FileErrorKind::Cancelled:
        return CopyReason::Cancelled;
    case platform::FileErrorKind::Changed:
        return CopyReason::Changed;
    case platform::FileErrorKind::Link:
        return CopyReason::Link;
    case platform::FileErrorKind::Pipe:
        return CopyReason::Pipe;
    case platform::FileErrorKind::Device:
        return CopyReason::Device;
    case platform::FileErrorKind::Socket:
        return CopyReason::Socket;
    case platform::FileErrorKind::Replaced:
        return CopyReason::Replaced;
    case platform::FileErrorKind::Virtual:
        return CopyReason::Virtual;
    }
    return CopyReason::NotWritable;
}

} // namespace rv
