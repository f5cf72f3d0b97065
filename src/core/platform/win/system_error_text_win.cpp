#include "platform/system_error_text.h"

#include <windows.h>

namespace rv::platform {

std::string_view systemErrorNumberName() { return "Windows のエラー"; }

std::string_view systemErrorWords(int code)
{
    switch (static_cast<DWORD>(code)) {
    case ERROR_ACCESS_DENIED:
        return "アクセスが許可されていません";
    case ERROR_WRITE_PROTECT:
        return "書き込みが禁止されたディスクです";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "ほかのプログラムが使っています";
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
        return "ディスクの読み書きに失敗しました";
    case ERROR_NOT_READY:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
        return "ディスクが見つかりません";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return "空き容量が足りません";
    case ERROR_FILE_TOO_LARGE:
        return "ファイルが大きすぎます";
    case ERROR_FILENAME_EXCED_RANGE:
        return "名前が長すぎます";
    case ERROR_INVALID_NAME:
        return "この保存先では使えない名前です";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "見つかりません";
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_TOO_MANY_OPEN_FILES:
        return "システムの資源が足りません";
    case ERROR_BAD_NETPATH:
    case ERROR_NETNAME_DELETED:
    case ERROR_UNEXP_NET_ERR:
        return "ネットワークの接続が切れました";
    default:
        return {};
    }
}

} // namespace rv::platform
