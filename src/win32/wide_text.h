#pragma once

#include "platform/win/utf16_win.h"

#include <string>
#include <string_view>

namespace rv::win32 {

// The core speaks UTF-8, the Win32 API UTF-16.
inline std::wstring widen(std::string_view utf8) { return platform::utf16FromUtf8(utf8); }
inline std::string narrow(std::wstring_view wide) { return platform::utf8FromUtf16(wide); }

} // namespace rv::win32
