#include "record/record_lines.h"

#include <algorithm>

namespace rv {

std::optional<std::string> RecordLines::next()
{
    std::string line;
    for (;;) {
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
        const auto last = buffer_.begin() + static_cast<std::ptrdiff_t>(end_);
        const auto newline = std::find(first, last, '\n');
        line.append(first, newline);
        start_ = static_cast<std::size_t>(newline - buffer_.begin());
        if (newline != last) {
            ++start_;
            break;
        }
        if (atEnd_) {
            if (line.empty()) {
                return std::nullopt;
            }
            break;
        }
        auto got = file_.read(buffer_.data(), buffer_.size());
        start_ = 0;
        end_ = got.ok() ? got.value() : 0;
        if (!got.ok()) {
            error_ = got.error();
        }
        atEnd_ = end_ == 0;
    }
    if (line.ends_with('\r')) {
        line.pop_back();
    }
    return line;
}

} // namespace rv
