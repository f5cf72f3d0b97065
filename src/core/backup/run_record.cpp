#include "backup/run_record.h"

#include "platform/local_time.h"

namespace rv {

RunRecord::RunRecord(const std::string& backupFolder)
{
    auto writer = RecordWriter::begin(backupFolder);
    if (writer.ok()) {
        writer_.emplace(std::move(writer.value()));
    } else {
        problem_ = writer.error().detail;
    }
}

void RunRecord::add(const RecordedFile& file)
{
    ++files_;
    if (!writer_ || !problem_.empty()) {
        return;
    }
    if (auto added = writer_->add(file); !added.ok()) {
        problem_ = added.error().detail;
    }
}

void RunRecord::finish(BackupResult& result, const ResultMessage& message)
{
    if (result.cancelled && files_ == 0) {
        writer_.reset();
        return;
    }
    if (writer_ && problem_.empty()) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - clockStarted_;
        const RecordHeader header = describeRunForRecord(result, message, started_);
        auto finished =
            files_ > 0 ? writer_->finish(header, took.count()) : writer_->appendHistory(header, took.count());
        if (!finished.ok()) {
            problem_ = finished.error().detail;
        }
    }
    // Of a run that copied nothing, the lines above already say why.
    if (!problem_.empty() && files_ > 0) {
        result.notes.push_back(std::string("the record of this backup was not written: ") + problem_);
    }
    writer_.reset();
}

RecordHeader describeRunForRecord(const BackupResult& result, const ResultMessage& message,
                                  std::chrono::system_clock::time_point started)
{
    std::size_t copied = 0;
    std::size_t asked = 0;
    for (const ItemResult& item : result.items) {
        copied += item.outcome == ItemOutcome::Copied ? 1 : 0;
        asked += item.outcome == ItemOutcome::NotPresent ? 0 : 1;
    }
    return {platform::localTimeText(started), std::string("rvdatebackup ") + RV_PROGRAM_VERSION,
            message.text.substr(0, message.text.find('\n')),
            std::to_string(asked) + " 件中 " + std::to_string(copied) + " 件をコピーしました", result.allVerified};
}

} // namespace rv
