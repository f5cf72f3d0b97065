#pragma once

#include <windows.h>

#include <string>

namespace rv::win32 {

// A modal warning with Yes and No, No the default, owned by owner; Escape
// answers No, as it does in the Qt program. True only when the user chose Yes.
bool askYesNo(HWND owner, const std::wstring& text, const std::wstring& caption);

} // namespace rv::win32
