#pragma once

#include <string>
#include <string_view>

namespace rv::platform {

// The core speaks UTF-8, the Win32 API UTF-16: text as it is, with no path
// rules (toPath turns "/" into "\\" as well).
std::wstring utf16FromUtf8(std::string_view utf8);
std::string utf8FromUtf16(std::wstring_view utf16);

} // namespace rv::platform
