#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace rv::win32 {

// `BrowseForFolder`: the shell's folder browser titled "フォルダの選択",
// owned by `owner`. Returns the chosen folder's path, an empty string when
// the selection has no file-system path (e.g. the computer node), or nothing
// when the user cancelled.
std::optional<std::wstring> BrowseForFolder(HWND owner);

// The same, as the core takes a path: in UTF-8.
std::optional<std::string> chooseFolderWithBrowser(HWND owner);

} // namespace rv::win32
