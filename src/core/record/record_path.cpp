#include "record/record_path.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace rv {

std::string escapeRecordPath(std::string_view path)
{
    std::string text;
    text.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            text += "\\\\";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\r') {
            text += "\\r";
        } else if (c == '\n') {
            text += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        } else {
            text += c;
        }
    }
    return text;
}

std::optional<std::string> unescapeRecordPath(std::string_view text)
{
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            path += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            path += '\\';
            break;
        case 't':
            path += '\t';
            break;
        case 'r':
            path += '\r';
            break;
        case 'n':
            path += '\n';
            break;
        case 'x': {
            unsigned value = 0;
            const auto [end, error] =
                std::from_chars(text.data() + i + 1, text.data() + std::min(i + 3, text.size()), value, 16);
            // Only as escapeRecordPath writes it: a "\x2F" read as "/" would name another file than it shows.
            const bool written = value < 0x20 ? value != '\t' && value != '\r' && value != '\n' : value == 0x7F;
            if (error != std::errc() || end != text.data() + i + 3 || !written) {
                return std::nullopt;
            }
            path += static_cast<char>(value);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return path;
}

bool isConfinedRecordPath(std::string_view path)
{
    const bool drive = path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
    if (path.empty() || drive || path.find('\0') != std::string_view::npos) {
        return false;
    }
#ifdef _WIN32
    if (path.find_first_of("\\:") != std::string_view::npos) {
        return false;
    }
#endif
    for (;;) {
        const std::size_t end = std::min(path.find('/'), path.size());
        const std::string_view name = path.substr(0, end);
        if (name.empty() || name == "." || name == "..") {
            return false; // an empty first name is an absolute or UNC start
        }
        if (end == path.size()) {
            return true;
        }
        path.remove_prefix(end + 1);
    }
}

} // namespace rv
