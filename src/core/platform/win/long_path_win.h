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

// A failed copy of a source that opened for reading: which side failed, told
// from the error (CopyFileExW reports both sides' errors alike). A read error
// (a bad sector, a lock of the records system) is the source's; a device gone
// is the source's only when the source's own handle no longer answers; all
// else is the destination's, with its own reason (full, too large, ...).
FileError copyFailureW(DWORD error, bool sourceStillAnswers, const std::string& source, const std::string& destination);

} // namespace rv::platform
