#include "platform/system_error_text.h"

namespace rv::platform {

std::string describeSystemError(int code)
{
    const std::string number = std::string(systemErrorNumberName()) + " " + std::to_string(code);
    const std::string_view words = systemErrorWords(code);
    return words.empty() ? number : std::string(words) + "（" + number + "）";
}

} // namespace rv::platform
