#include "platform/system_error_text.h"

#include <cerrno>

namespace rv::platform {

std::string_view systemErrorNumberName() { return "エラー番号"; }

std::string_view systemErrorWords(int code)
{
    switch (code) {
    case EACCES:
    case EPERM:
        return "アクセスが許可されていません";
    case EROFS:
        return "書き込みが禁止されたディスクです";
    case EBUSY:
    case ETXTBSY:
        return "ほかのプログラムが使っています";
    case EIO:
        return "ディスクの読み書きに失敗しました";
    case ENODEV:
    case ENXIO:
        return "ディスクが見つかりません";
    case ENOSPC:
    case EDQUOT:
        return "空き容量が足りません";
    case EFBIG:
        return "ファイルが大きすぎます";
    case ENAMETOOLONG:
        return "名前が長すぎます";
    case EINVAL:
        return "この保存先では使えない名前か操作です";
    case ENOENT:
    case ENOTDIR:
        return "見つかりません";
    case EISDIR:
        return "フォルダです";
    case ELOOP:
        return "リンクです";
    case EMFILE:
    case ENFILE:
    case ENOMEM:
        return "システムの資源が足りません";
    case EINTR:
        return "中断されました";
    case ESTALE:
    case ENOTCONN:
    case ETIMEDOUT:
        return "ネットワークの接続が切れました";
    default:
        return {};
    }
}

} // namespace rv::platform
