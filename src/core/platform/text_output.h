#pragma once

#include "platform/file_system.h"
#include "platform/owned_handle.h"

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

    Result<Done, FileError> write(std::string_view text);
    // Gets what was written onto the device, then closes the file.
    Result<Done, FileError> finish();

private:
    TextOutput(OwnedHandle handle, std::string path) : handle_(std::move(handle)), path_(std::move(path)) {}

    OwnedHandle handle_;
    std::string path_;
};

} // namespace rv::platform
