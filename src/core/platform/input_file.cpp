#include "platform/input_file.h"

// Ownership of the handle is the same on every platform; opening, reading and
// closing are each platform's own.
namespace rv::platform {

InputFile::InputFile(InputFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }

InputFile& InputFile::operator=(InputFile&& other) noexcept
{
    if (this != &other) {
        close();
        handle_ = other.handle_;
        other.handle_ = kClosed;
    }
    return *this;
}

InputFile::~InputFile() { close(); }

} // namespace rv::platform
