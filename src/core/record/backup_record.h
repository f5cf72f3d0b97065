#pragma once

#include "common/content_hash.h"
#include "record/record_path.h"

#include <cstddef>
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

// The second line: the record's format. The earlier format, without it,
// had neither counts nor a seal.
inline constexpr std::string_view kRecordFormatName = "形式\t";
inline constexpr const char* kRecordFormatLine = "形式\t2";
// The heading's line of when the run started.
inline constexpr std::string_view kRecordWhenField = "日時\t";
// The heading's line of how the run ended.
inline constexpr std::string_view kRecordOutcomeField = "結果\t";

// No line the backup writes comes near this: a path Windows can open has at
// most 32,767 UTF-16 units, 3 bytes each in UTF-8 (4 when escaped), 128 KiB
// with the other fields. A longer line is damage, and is never held whole.
inline constexpr std::size_t kLongestRecordLine = std::size_t{256} * 1024;

// Lines end in CR LF, so that every Notepad shows them; less hides the CR.
inline constexpr const char* kLineEnd = "\r\n";

// One copied file, as the record lists it.
struct RecordedFile {
    std::string relativePath; // from the backup folder, "/" between folders
    std::uint64_t size = 0;
    std::string modified; // the source's last write, local time, for people
    ContentDigest digest;
    // The copy an earlier run left was found to hold the source as it is,
    // and was not written again; the file line itself reads the same.
    bool unchanged = false;
};

struct RecordHeader {
    std::string when;     // "2026-12-08 15:02:03"
    std::string program;  // "rvdatebackup 3.20"
    std::string outcome;  // as the closing message puts it, first line only
    std::string counts;   // "14 件中 14 件をコピーしました"
    bool verified = true; // every copy read back and compared
};

// Something this run could not copy, as the record lists it.
struct NotCopiedEntry {
    std::string relativePath; // as RecordedFile's
    std::string reason;       // as the run's output gives it
};

// How many lines of each kind the record's body holds.
struct RecordCounts {
    std::uint64_t files = 0;
    std::uint64_t notCopied = 0;
    // Of files, those not written again (a line of its own, which records
    // written before it came lack).
    std::uint64_t unchanged = 0;
};

// The record's opening lines, up to and including the column heading.
std::string recordHeading(const RecordHeader& header, const RecordCounts& counts);
// A heading line giving one of the counts: nothing for another line.
std::optional<std::uint64_t> parseFileCountLine(std::string_view line);
std::optional<std::uint64_t> parseNotCopiedCountLine(std::string_view line);
std::optional<std::uint64_t> parseUnchangedCountLine(std::string_view line);
// The column heading, the last line of the heading.
bool isColumnHeading(std::string_view line);

// One line per file: size, last write, digest and path, separated by tabs.
std::string recordLine(const RecordedFile& file);
// A file line read back; nothing for any other line, a damaged one, or a
// path that is not confined to the backup folder.
std::optional<RecordedFile> parseRecordLine(std::string_view line);

// One line per thing not copied: a word of its own, the reason and the path.
std::string notCopiedLine(const NotCopiedEntry& entry);
std::optional<NotCopiedEntry> parseNotCopiedLine(std::string_view line);

// The last line: the digest of every byte of the record before it, so that
// a changed or missing byte, or a cut record, shows.
std::string sealLine(const ContentDigest& digest);
std::optional<ContentDigest> parseSealLine(std::string_view line);

// A line of the history: when, how it ended, counts, and how long it took.
std::string historyHeading();
std::string historyLine(const RecordHeader& header, std::uint64_t files, double seconds);

} // namespace rv
