#pragma once

#include "common/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rv::platform {

enum class OpenFailureKind { NotFound, AccessDenied, NotAFile, Other };

struct OpenFailure {
    OpenFailureKind kind = OpenFailureKind::Other;
    std::string detail; // the system's own words, for the log
};

// A file opened for reading, a chunk at a time. Move-only; closes itself.
class InputFile {
public:
    static Result<InputFile, OpenFailure> open(std::string_view utf8Path);

    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&& other) noexcept;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Bytes read into buffer; 0 at the end of the file.
    Result<std::size_t, std::string> read(char* buffer, std::size_t size);

private:
    explicit InputFile(std::intptr_t handle) : handle_(handle) {}
    void close();

    // A file descriptor, or a HANDLE on Windows; -1 is "none" on both
    // (INVALID_HANDLE_VALUE is -1).
    static constexpr std::intptr_t kClosed = -1;
    std::intptr_t handle_;
};

} // namespace rv::platform
