#include "record/backup_record.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

namespace rv {
namespace {

constexpr char kTab = '\t';
constexpr std::string_view kColumnHeading = "サイズ\t更新日時\tXXH3-128\tファイル";
constexpr std::string_view kFileCount = "ファイル数\t";
constexpr std::string_view kNotCopiedCount = "コピーできなかったもの\t";
constexpr std::string_view kUnchangedCount = "変更のなかったファイル数\t";
constexpr std::string_view kNotCopiedWord = "未コピー";
constexpr std::string_view kSealStart = "封印\tXXH3-128\t";

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

std::optional<std::uint64_t> numberAfter(std::string_view start, std::string_view line)
{
    std::uint64_t value = 0;
    if (!line.starts_with(start)) {
        return std::nullopt;
    }
    line.remove_prefix(start.size());
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), value);
    if (error != std::errc() || end != line.data() + line.size() || line.empty()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> confinedPath(std::string_view text)
{
    auto path = unescapeRecordPath(text);
    if (!path || !isConfinedRecordPath(*path)) {
        return std::nullopt;
    }
    return path;
}

} // namespace

std::string recordHeading(const RecordHeader& header, const RecordCounts& counts)
{
    std::string text = std::string(kRecordTitle) + kLineEnd + kRecordFormatLine + kLineEnd;
    text += std::string(kRecordWhenField) + header.when + kLineEnd;
    text += "プログラム\t" + header.program + kLineEnd;
    text += std::string(kRecordOutcomeField) + header.outcome + kLineEnd;
    text += "件数\t" + header.counts + kLineEnd;
    text += std::string("照合\t") + (header.verified ? "書き込んだ内容を読み直して確かめました" : "していません") +
            kLineEnd;
    text += std::string(kFileCount) + std::to_string(counts.files) + kLineEnd;
    text += std::string(kNotCopiedCount) + std::to_string(counts.notCopied) + kLineEnd;
    text += std::string(kUnchangedCount) + std::to_string(counts.unchanged) + kLineEnd;
    text += kLineEnd;
    text += std::string(kColumnHeading) + kLineEnd;
    return text;
}

std::optional<std::uint64_t> parseFileCountLine(std::string_view line) { return numberAfter(kFileCount, line); }

std::optional<std::uint64_t> parseNotCopiedCountLine(std::string_view line)
{
    return numberAfter(kNotCopiedCount, line);
}

std::optional<std::uint64_t> parseUnchangedCountLine(std::string_view line)
{
    return numberAfter(kUnchangedCount, line);
}

bool isColumnHeading(std::string_view line) { return line == kColumnHeading; }

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
    auto path = confinedPath(pathText);
    if (error != std::errc() || end != sizeText.data() + sizeText.size() || sizeText.empty() || !digest || !path) {
        return std::nullopt;
    }
    file.modified = std::string(modified);
    file.digest = *digest;
    file.relativePath = std::move(*path);
    return file;
}

std::string notCopiedLine(const NotCopiedEntry& entry)
{
    return std::string(kNotCopiedWord) + kTab + escapeRecordPath(entry.reason) + kTab +
           escapeRecordPath(entry.relativePath) + kLineEnd;
}

std::optional<NotCopiedEntry> parseNotCopiedLine(std::string_view line)
{
    const auto parts = fields<3>(line);
    if (!parts || (*parts)[0] != kNotCopiedWord) {
        return std::nullopt;
    }
    auto reason = unescapeRecordPath((*parts)[1]);
    auto path = confinedPath((*parts)[2]);
    if (!reason || !path) {
        return std::nullopt;
    }
    return NotCopiedEntry{std::move(*path), std::move(*reason)};
}

std::string sealLine(const ContentDigest& digest) { return std::string(kSealStart) + digest.hex() + kLineEnd; }

std::optional<ContentDigest> parseSealLine(std::string_view line)
{
    if (!line.starts_with(kSealStart)) {
        return std::nullopt;
    }
    return ContentDigest::fromHex(line.substr(kSealStart.size()));
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
