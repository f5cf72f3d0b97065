#include "platform/local_time.h"

#include <windows.h>

#include <cstdio>

namespace rv::platform {
namespace {

std::string format(const SYSTEMTIME& local)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", local.wYear, local.wMonth, local.wDay,
                  local.wHour, local.wMinute, local.wSecond);
    return text;
}

// A FILETIME (100 ns steps since 1601) in local time.
std::string formatFileTime(std::uint64_t stamp)
{
    const FILETIME utc{static_cast<DWORD>(stamp), static_cast<DWORD>(stamp >> 32)};
    SYSTEMTIME universal;
    SYSTEMTIME local;
    if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local)) {
        return {};
    }
    return format(local);
}

} // namespace

std::string localTimeText(std::chrono::system_clock::time_point when)
{
    // 100 ns steps between 1601 and 1970, where system_clock counts from.
    constexpr std::uint64_t kEpochOffset = 116444736000000000ULL;
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    return formatFileTime(kEpochOffset + static_cast<std::uint64_t>(sinceEpoch / 100));
}

// On Windows the stamp is the FILETIME itself.
std::string modifiedTimeText(std::uint64_t modified) { return formatFileTime(modified); }

} // namespace rv::platform
