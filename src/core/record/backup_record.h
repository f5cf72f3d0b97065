#pragma once

#include "common/content_hash.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rv {

// Beside the copies in the backup folder: what the last run put there, and
// one line for every run. Names a clinic reads as what they are; the records
// system reads neither, so a restore that copies them back does no harm.
inline constexpr const char* kRecordFileName = "バックアップ記録.txt";
inline constexpr const char* kHistoryFileName = "バックアップ履歴.txt";

// The record's first line: how --check knows a record from any text file.
inline constexpr const char* kRecordTitle = "RVシステム データバックアップの記録";

// Lines end in CR LF, so that every Notepad shows them; less hides the CR.
inline constexpr const char* kLineEnd = "\r\n";

// One copied file, as the record lists it.
struct RecordedFile {
    std::string relativePath; // from the backup folder, "/" between folders
    std::uint64_t size = 0;
    std::string modified; // the source's last write, local time, for people
    ContentDigest digest;
};

struct RecordHeader {
    std::string when;     // "2026-12-08 15:02:03"
    std::string program;  // "rvdatebackup 3.20"
    std::string outcome;  // as the closing message puts it, first line only
    std::string counts;   // "14 件中 14 件をコピーしました"
    bool verified = true; // every copy read back and compared
};

// The record's opening lines, up to and including the column heading.
std::string recordHeading(const RecordHeader& header);
// One line per file: size, last write, digest and path, separated by tabs.
std::string recordLine(const RecordedFile& file);
// A file line read back; nothing for the heading lines or a damaged line.
std::optional<RecordedFile> parseRecordLine(std::string_view line);

// Paths keep to one field of one line: a backslash, tab, CR, LF or other
// control character is written as \\, \t, \r, \n or \xHH.
std::string escapeRecordPath(std::string_view path);
std::optional<std::string> unescapeRecordPath(std::string_view text);

// A line of the history: when, how it ended, counts, and how long it took.
std::string historyHeading();
std::string historyLine(const RecordHeader& header, std::uint64_t files, double seconds);

} // namespace rv
