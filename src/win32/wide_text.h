#pragma once

#include "platform/paths.h"

#include <string>
#include <string_view>

namespace rv::win32 {

// The core speaks UTF-8, the Win32 API UTF-16; the path seam already does
// exactly this conversion.
inline std::wstring widen(std::string_view utf8) { return platform::toPath(utf8).native(); }
inline std::string narrow(std::wstring_view wide) { return platform::fromPath(std::wstring(wide)); }

} // namespace rv::win32
