#include "platform/local_time.h"

#include <ctime>

namespace rv::platform {
namespace {

std::string format(std::time_t seconds)
{
    std::tm local{};
    char text[32] = "";
    if (::localtime_r(&seconds, &local)) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    }
    return text;
}

} // namespace

std::string localTimeText(std::chrono::system_clock::time_point when)
{
    return format(std::chrono::system_clock::to_time_t(when));
}

// On POSIX the stamp counts nanoseconds since 1970.
std::string modifiedTimeText(std::uint64_t modified)
{
    return format(static_cast<std::time_t>(modified / 1000000000U));
}

} // namespace rv::platform
