#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"
#include "record/record_reader.h"
#include "restore/restore_service.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace rv {

// What a record lists, read whole before anything of it is used.
struct RecordSurvey {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    bool cancelled = false; // stopped before the end: the counts are not all
};

// Reads the record in folder to its end, its seal and its counts; a record
// missing or damaged refuses the restore (NoBackup).
Result<RecordSurvey, RestoreRefusal> surveyRecord(const platform::DestinationFolder& folder,
                                                  const std::atomic<bool>& cancel);

// Where a record is damaged, as people read it.
std::string describeRecordDamage(const RecordDamage& damage);

} // namespace rv
