#pragma once

#include "platform/file_system.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace rv::platform {

// The wide form of a UTF-8 path that the W functions accept beyond MAX_PATH:
// made absolute, with "\\?\" (or "\\?\UNC\") in front.
std::wstring longPathW(std::string_view utf8);

// GetLastError() of a failure on the side that is read, or written.
FileError sourceErrorW(DWORD error, const std::string& what);
FileError destinationErrorW(DWORD error, const std::string& what);

} // namespace rv::platform
