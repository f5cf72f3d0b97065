#include "record/backup_record.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace rv {
namespace {

constexpr char kTab = '\t';

// Splits at the first n tabs; the last field takes the rest of the line.
template <std::size_t N> std::optional<std::array<std::string_view, N>> fields(std::string_view line)
{
    std::array<std::string_view, N> parts;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        const std::size_t tab = line.find(kTab);
        if (tab == std::string_view::npos) {
            return std::nullopt;
        }
        parts[i] = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    parts[N - 1] = line;
    return parts;
}

} // namespace

std::string recordHeading(const RecordHeader& header)
{
    std::string text = std::string(kRecordTitle) + kLineEnd;
    text += "日時\t" + header.when + kLineEnd;
    text += "プログラム\t" + header.program + kLineEnd;
    text += "結果\t" + header.outcome + kLineEnd;
    text += "件数\t" + header.counts + kLineEnd;
    text += std::string("照合\t") + (header.verified ? "書き込んだ内容を読み直して確かめました" : "していません") +
            kLineEnd;
    text += kLineEnd;
    text += std::string("サイズ\t更新日時\tXXH3-128\tファイル") + kLineEnd;
    return text;
}

std::string recordLine(const RecordedFile& file)
{
    return std::to_string(file.size) + kTab + file.modified + kTab + file.digest.hex() + kTab +
           escapeRecordPath(file.relativePath) + kLineEnd;
}

std::optional<RecordedFile> parseRecordLine(std::string_view line)
{
    if (line.ends_with('\n')) {
        line.remove_suffix(1);
    }
    if (line.ends_with('\r')) {
        line.remove_suffix(1);
    }
    const auto parts = fields<4>(line);
    if (!parts) {
        return std::nullopt;
    }
    const auto [sizeText, modified, digestText, pathText] = *parts;
    RecordedFile file;
    const auto [end, error] = std::from_chars(sizeText.data(), sizeText.data() + sizeText.size(), file.size);
    const auto digest = ContentDigest::fromHex(digestText);
    auto path = unescapeRecordPath(pathText);
    if (error != std::errc() || end != sizeText.data() + sizeText.size() || sizeText.empty() || !digest || !path ||
        path->empty()) {
        return std::nullopt;
    }
    file.modified = std::string(modified);
    file.digest = *digest;
    file.relativePath = std::move(*path);
    return file;
}

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
            if (error != std::errc() || end != text.data() + i + 3) {
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

std::string historyHeading() { return std::string("日時\t結果\t件数\tファイル\t所要時間") + kLineEnd; }

std::string historyLine(const RecordHeader& header, std::uint64_t files, double seconds)
{
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f 秒", seconds);
    return header.when + kTab + header.outcome + kTab + header.counts + kTab + "ファイル " + std::to_string(files) +
           " 個" + kTab + duration + kLineEnd;
}

} // namespace rv
