#include "common/printable_text.h"

#include "common/path_text.h"

namespace rv {
namespace {

// The length of the control character or separator at the start of text, or 0.
std::size_t controlLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    if (byte(0) < 0x20 || byte(0) == 0x7F) {
        return 1;
    }
    if (text.size() >= 2 && byte(0) == 0xC2 && byte(1) >= 0x80 && byte(1) <= 0x9F) {
        return 2;
    }
    if (text.size() >= 3 && byte(0) == 0xE2 && byte(1) == 0x80 && (byte(2) == 0xA8 || byte(2) == 0xA9)) {
        return 3;
    }
    return 0;
}

} // namespace

std::string printable(std::string_view text)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::size_t length = controlLength(text);
        if (length == 0) {
            out += text.front();
            text.remove_prefix(1);
            continue;
        }
        for (std::size_t i = 0; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        }
        text.remove_prefix(length);
    }
    return out;
}

std::string shownPath(std::string_view path) { return printable(nativeSeparators(path)); }

} // namespace rv
