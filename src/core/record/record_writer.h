#pragma once

#include "platform/destination_folder.h"
#include "platform/file_system.h"
#include "platform/text_output.h"
#include "record/backup_record.h"

#include <optional>
#include <string>
#include <string_view>

namespace rv {

// Writes a run's record into the backup folder. The file lines go to a
// temporary file as the copies are put in place, so that a run of a million
// files holds none of them in memory; at the end the record is written under
// a temporary name, flushed and put in place in one step, so that a reader
// finds the earlier record or the new one, never half of one; its last line
// seals it. The history gets one more line. Temporaries are removed when the writer goes.
class RecordWriter {
public:
    static Result<RecordWriter, platform::FileError> begin(std::string_view backupFolder);

    RecordWriter(RecordWriter&& other) noexcept;
    RecordWriter& operator=(RecordWriter&&) = delete;
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;
    ~RecordWriter();

    Result<platform::Done, platform::FileError> add(const RecordedFile& file);
    Result<platform::Done, platform::FileError> addNotCopied(const NotCopiedEntry& entry);
    // Puts the record in place and adds the run to the history.
    Result<platform::Done, platform::FileError> finish(const RecordHeader& header, double seconds);
    // Adds the run to the history alone, leaving the earlier record in place:
    // for a run that copied nothing.
    Result<platform::Done, platform::FileError> appendHistory(const RecordHeader& header, double seconds);

    std::uint64_t files() const { return counts_.files; }

private:
    RecordWriter(platform::DestinationFolder root, std::string bodyName, platform::TextOutput body)
        : root_(std::move(root)), bodyName_(std::move(bodyName)), body_(std::move(body))
    {
    }
    Result<platform::Done, platform::FileError> writeRecord(const RecordHeader& header);
    // Lines wait here until a block of them is ready: one write for each of
    // 20,000 files costs a night with nothing changed a tenth of its time.
    Result<platform::Done, platform::FileError> addLine(const std::string& line);
    Result<platform::Done, platform::FileError> flushLines();

    platform::DestinationFolder root_;
    std::string bodyName_; // inside the backup folder
    std::optional<platform::TextOutput> body_;
    std::string waiting_; // lines not yet written to body_
    RecordCounts counts_;
};

// Adds lines to the history of the backup folder held as root, with the
// columns' heading first when the history is new.
Result<platform::Done, platform::FileError> appendToHistory(const platform::DestinationFolder& root,
                                                            std::string_view lines);

} // namespace rv
