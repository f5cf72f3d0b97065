#pragma once

#include "common/content_hash.h"
#include "common/result.h"
#include "platform/destination_folder.h"
#include "record/backup_record.h"
#include "record/record_lines.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace rv {

// Where a record is damaged, and how.
struct RecordDamage {
    std::uint64_t line = 0; // from 1
    std::string what;
};

// Why a folder's record could not be read at all.
struct NoRecord {
    bool absent = true; // no record there, or not one of ours; else it could not be opened
    std::string detail;
};

using RecordEntry = std::variant<RecordedFile, NotCopiedEntry>;

// A backup folder's record, read a line at a time. Of a sealed record every
// byte is taken into its digest on the way and the seal checked at the end;
// of either format, a line that is not what the record holds there is
// damage, and ends the reading: nothing of a damaged record is used.
class RecordReader {
public:
    // Opens the record without waiting and not through a link, and reads its heading.
    static Result<RecordReader, NoRecord> open(const platform::DestinationFolder& folder);

    // The next line of the body; nothing at the end or at damage.
    std::optional<RecordEntry> next();
    const std::optional<RecordDamage>& damage() const { return damage_; }
    // The earlier format: no counts, no seal.
    bool sealed() const { return sealed_; }
    // The counts the heading gives (of the earlier format, none).
    const RecordCounts& declared() const { return declared_; }
    // When the run that wrote it started, as its heading gives it.
    const std::string& when() const { return when_; }
    // How that run ended, as its heading gives it.
    const std::string& outcome() const { return outcome_; }

private:
    explicit RecordReader(RecordLines lines) : lines_(std::move(lines)) {}
    // The heading, up to the column heading, and its counts.
    void readHeading();
    // A line read: taken into the digest, or damage where it is too long.
    std::optional<TextLine> take();
    void digest(const TextLine& line);
    void damaged(std::uint64_t line, std::string what);
    // At the end of the lines: a record cut short, unreadable, or whose counts are wrong is damaged.
    void finish();

    RecordLines lines_;
    ContentHasher hasher_;
    bool sealed_ = false;
    bool headingRead_ = false;
    bool sealSeen_ = false;
    std::uint64_t lastLine_ = 0;
    std::string when_;
    std::string outcome_;
    RecordCounts declared_;
    RecordCounts seen_;
    std::optional<RecordDamage> damage_;
};

} // namespace rv
