#include "record/record_lines.h"

#include <algorithm>

namespace rv {

bool RecordLines::refill()
{
    if (atEnd_) {
        return false;
    }
    auto got = file_.read(buffer_.data(), buffer_.size());
    start_ = 0;
    end_ = got.ok() ? got.value() : 0;
    if (!got.ok()) {
        error_ = got.error();
    }
    atEnd_ = end_ == 0;
    return !atEnd_;
}

std::optional<TextLine> RecordLines::next()
{
    TextLine line;
    bool any = false;
    for (;;) {
        if (start_ == end_ && !refill()) {
            if (!any) {
                return std::nullopt;
            }
            break;
        }
        any = true;
        const auto first = buffer_.begin() + static_cast<std::ptrdiff_t>(start_);
        const auto last = buffer_.begin() + static_cast<std::ptrdiff_t>(end_);
        const auto newline = std::find(first, last, '\n');
        const auto taken = static_cast<std::size_t>(newline - first);
        // A line over the limit is passed over to its end, never held.
        if (!line.tooLong && line.text.size() + taken > limit_) {
            line.tooLong = true;
            line.text = std::string();
        }
        if (!line.tooLong) {
            line.text.append(first, newline);
        }
        start_ += taken;
        if (newline != last) {
            ++start_;
            line.end = "\n";
            break;
        }
    }
    if (!line.end.empty() && line.text.ends_with('\r')) {
        line.text.pop_back();
        line.end = "\r\n";
    }
    line.number = ++number_;
    return line;
}

} // namespace rv
