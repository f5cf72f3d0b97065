#pragma once

#include "platform/input_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// One line as it was read.
struct TextLine {
    std::string text;         // without its line end
    std::string_view end;     // "\r\n", "\n", or "" for a last line without one
    bool tooLong = false;     // longer than the limit: text is empty, the line was passed over
    std::uint64_t number = 0; // from 1
};

// The lines of a text file, one at a time, without holding the whole file,
// nor more than limit bytes of any line.
class RecordLines {
public:
    RecordLines(platform::InputFile file, std::size_t limit) : file_(std::move(file)), limit_(limit) {}

    // The next line; nothing at the end of the file. A read error ends the
    // lines and is kept in error().
    std::optional<TextLine> next();
    const std::optional<std::string>& error() const { return error_; }

private:
    // Refills the buffer once it is used up; false at the end or on an error.
    bool refill();

    platform::InputFile file_;
    std::size_t limit_;
    std::vector<char> buffer_ = std::vector<char>(std::size_t{64} * 1024);
    std::size_t start_ = 0;
    std::size_t end_ = 0;
    bool atEnd_ = false;
    std::uint64_t number_ = 0;
    std::optional<std::string> error_;
};

} // namespace rv
