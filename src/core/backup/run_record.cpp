#include "backup/run_record.h"

#include "backup/copy_reason.h"
#include "common/path_text.h"
#include "platform/local_time.h"

namespace rv {

RunRecord::RunRecord(const std::string& backupFolder) : recordPath_(joinPath(backupFolder, kRecordFileName))
{
    auto writer = RecordWriter::begin(backupFolder);
    if (writer.ok()) {
        writer_.emplace(std::move(writer.value()));
    } else {
        problem_ = writer.error();
    }
}

void RunRecord::add(const RecordedFile& file)
{
    ++files_;
    if (!writer_ || problem_) {
        return;
    }
    if (auto added = writer_->add(file); !added.ok()) {
        problem_ = added.error();
    }
}

void RunRecord::addNotCopied(const ItemResult& item, const FileFailure* failure)
{
    ++notCopied_;
    if (!writer_ || problem_) {
        return;
    }
    const NotCopiedEntry entry{recordPathOf(item.name, failure ? failure->relativePath : std::string()),
                               std::string(reasonText(failure ? failure->reason : item.reason))};
    if (auto added = writer_->addNotCopied(entry); !added.ok()) {
        problem_ = added.error();
    }
}

std::optional<RunNote> RunRecord::finish(const BackupResult& result, const ResultMessage& message)
{
    if (result.cancelled && files_ == 0) {
        writer_.reset();
        return std::nullopt;
    }
    if (writer_ && !problem_) {
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - clockStarted_;
        const RecordHeader header = describeRunForRecord(result, message, started_);
        // A run that copied nothing and failed nothing leaves the earlier record.
        const bool anyListed = files_ > 0 || notCopied_ > 0;
        auto finished =
            anyListed ? writer_->finish(header, took.count()) : writer_->appendHistory(header, took.count());
        if (!finished.ok()) {
            problem_ = finished.error();
        }
    }
    writer_.reset();
    // Of a run that copied nothing, the lines above already say why, and it
    // fails as it is.
    if (problem_ && files_ > 0) {
        return RunNote{NoteKind::BackupUncheckable, 1, recordPath_, {}, problem_};
    }
    return std::nullopt;
}

std::string recordPathOf(const std::string& itemName, const std::string& relativePath)
{
    std::string path = itemName;
    if (!relativePath.empty()) {
        path += '/' + relativePath;
    }
    return path;
}

RecordHeader describeRunForRecord(const BackupResult& result, const ResultMessage& message,
                                  std::chrono::system_clock::time_point started)
{
    return {platform::localTimeText(started), std::string("rvdatebackup ") + RV_PROGRAM_VERSION,
            message.text.substr(0, message.text.find('\n')), describeItemCounts(result), result.allVerified};
}

} // namespace rv
