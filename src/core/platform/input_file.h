#pragma once

#include "common/result.h"
#include "platform/owned_handle.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace rv::platform {

// NotRegular: a pipe, a device or a socket, never waited on.
enum class OpenFailureKind { NotFound, AccessDenied, NotAFile, NotRegular, Other };

struct OpenFailure {
    OpenFailureKind kind = OpenFailureKind::Other;
    std::string detail; // the system's own words, for the log
    int code = 0;       // the system's error number, where it gave one
};

// A file opened for reading, a chunk at a time. Move-only; closes itself.
class InputFile {
public:
    static Result<InputFile, OpenFailure> open(std::string_view utf8Path);
    // A file opened already, as openFileBelow opens one.
    explicit InputFile(OwnedHandle handle) : handle_(std::move(handle)) {}

    // Bytes read into buffer; 0 at the end of the file.
    Result<std::size_t, std::string> read(char* buffer, std::size_t size);

private:
    OwnedHandle handle_;
};

} // namespace rv::platform
