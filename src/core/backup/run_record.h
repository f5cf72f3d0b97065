#pragma once

#include "backup/backup_message.h"
#include "backup/backup_run.h"
#include "record/backup_record.h"
#include "record/record_writer.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace rv {

// The record of one run in the backup folder: the files are written down as
// they are settled, the heading and the history line once the run is over.
// A run that copied nothing leaves the earlier record, which still describes
// the files there, and adds its line to the history; one the user cancelled
// before it copied anything leaves no trace.
class RunRecord {
public:
    // A record that cannot be started is said when it is finished; the
    // backup goes on without it.
    explicit RunRecord(const std::string& backupFolder);

    void add(const RecordedFile& file);
    // An item that failed as a whole, or an entry of a folder (failure) that was not copied.
    void addNotCopied(const ItemResult& item, const FileFailure* failure);
    // Puts the record in place and adds the run to the history; returns
    // what went wrong with either, as a note: the backup cannot be checked.
    std::optional<RunNote> finish(const BackupResult& result, const ResultMessage& message);

private:
    std::chrono::system_clock::time_point started_ = std::chrono::system_clock::now();
    std::chrono::steady_clock::time_point clockStarted_ = std::chrono::steady_clock::now();
    std::optional<RecordWriter> writer_;
    std::uint64_t files_ = 0;
    std::uint64_t notCopied_ = 0;
    std::string recordPath_;
    std::optional<platform::FileError> problem_; // the first thing that kept the record from being written
};

// A path as the record gives it: the item's name, then the path inside the
// data folder, with "/" between the parts whatever the system's separator.
std::string recordPathOf(const std::string& itemName, const std::string& relativePath);

// The record's heading lines for a finished run.
RecordHeader describeRunForRecord(const BackupResult& result, const ResultMessage& message,
                                  std::chrono::system_clock::time_point started);

} // namespace rv
