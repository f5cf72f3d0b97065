#pragma once

#include "platform/input_file.h"

#include <optional>
#include <string>
#include <vector>

namespace rv {

// The lines of a text file, one at a time, without holding the whole file.
class RecordLines {
public:
    explicit RecordLines(platform::InputFile file) : file_(std::move(file)) {}

    // The next line without its line end; nothing at the end of the file.
    // A read error ends the lines and is kept in error().
    std::optional<std::string> next();
    const std::optional<std::string>& error() const { return error_; }

private:
    platform::InputFile file_;
    std::vector<char> buffer_ = std::vector<char>(std::size_t{64} * 1024);
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    std::optional<std::string> error_;
};

} // namespace rv
