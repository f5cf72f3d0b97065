#include "win32/folder_browser.h"

#include "win32/wide_text.h"

#include <shlobj.h>

#include <vector>

namespace rv::win32 {

std::optional<std::wstring> BrowseForFolder(HWND owner)
{
    BROWSEINFOW request{};
    request.hwndOwner = owner;
    request.lpszTitle = L"フォルダの選択";
    request.ulFlags = BIF_NEWDIALOGSTYLE; // 0x40 and nothing else
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&request);
    if (!chosen) {
        return std::nullopt;
    }
    // Room for the longest path Windows knows (32767 UTF-16 units), so a long
    // path is never cut; the shell fails cleanly where it cannot give one.
    std::vector<wchar_t> path(32768, L'\0');
    const bool hasPath = SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(chosen);
    return hasPath ? std::wstring(path.data()) : std::wstring();
}

std::optional<std::string> chooseFolderWithBrowser(HWND owner)
{
    const auto chosen = BrowseForFolder(owner);
    if (!chosen) {
        return std::nullopt;
    }
    return narrow(*chosen);
}

} // namespace rv::win32
