#pragma once

#include "platform/file_system.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rv::platform {

// A small text file of the program's own (the backup's record and history),
// written a piece at a time. Move-only; closes itself.
class TextOutput {
public:
    enum class Mode {
        CreateNew, // fails when path exists: for temporary names
        Append,    // creates path, or adds to its end
    };
    static Result<TextOutput, FileError> open(std::string_view path, Mode mode);

    TextOutput(TextOutput&& other) noexcept;
    TextOutput& operator=(TextOutput&& other) noexcept;
    TextOutput(const TextOutput&) = delete;
    TextOutput& operator=(const TextOutput&) = delete;
    ~TextOutput();

    Result<Done, FileError> write(std::string_view text);
    // Gets what was written onto the device, then closes the file.
    Result<Done, FileError> finish();

private:
    TextOutput(std::intptr_t handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    void close();

    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_;
    std::string path_;
};

} // namespace rv::platform
