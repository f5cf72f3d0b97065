#include "win32/debug_log.h"

#include <windows.h>

#include <string>

namespace rv::win32 {

void logLine(std::wstring_view category, std::wstring_view text)
{
    std::wstring line(category);
    line += L": ";
    line += text;
    line += L'\n';
    OutputDebugStringW(line.c_str());
}

} // namespace rv::win32
