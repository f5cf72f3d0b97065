#include "platform/text_output.h"

#include <utility>

// What both platforms share; opening, writing and closing are each platform's own.
namespace rv::platform {

TextOutput::TextOutput(TextOutput&& other) noexcept
    : handle_(std::exchange(other.handle_, kClosed)), path_(std::move(other.path_))
{
}

TextOutput& TextOutput::operator=(TextOutput&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = std::exchange(other.handle_, kClosed);
        path_ = std::move(other.path_);
    }
    return *this;
}

TextOutput::~TextOutput() { close(); }

} // namespace rv::platform
