#include "platform/paths.h"
#include "platform/win/utf16_win.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace rv::platform {

std::wstring utf16FromUtf8(std::string_view utf8)
{
    if (utf8.empty()) {
        return {};
    }
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
    return wide;
}

std::string utf8FromUtf16(std::wstring_view wide)
{
    if (wide.empty()) {
        return {};
    }
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::filesystem::path toPath(std::string_view utf8)
{
    std::wstring wide = utf16FromUtf8(utf8);
    // The core joins with "/"; Windows reads it too, but not in a "\\?\"
    // path, and a path compared with what Windows gives back must match.
    std::replace(wide.begin(), wide.end(), L'/', L'\\');
    return std::filesystem::path(wide);
}

std::string fromPath(const std::filesystem::path& path) { return utf8FromUtf16(path.native()); }

Result<std::string, std::string> executableFolder()
{
    // Long paths: grow the buffer until the whole name fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return Result<std::string, std::string>::failure("GetModuleFileNameW failed, error " +
                                                             std::to_string(GetLastError()));
        }
        if (length < buffer.size()) {
            const std::filesystem::path exe(std::wstring(buffer.data(), length));
            return Result<std::string, std::string>::success(fromPath(exe.parent_path()));
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace rv::platform
