#include "restore/restore_run.h"

#include "backup/open_databases.h"
#include "backup/progress_text.h"
#include "common/path_text.h"
#include "generations/generation_layout.h"
#include "platform/file_copy.h"
#include "platform/local_time.h"
#include "record/record_path.h"
#include "record/record_reader.h"
#include "restore/restore_message.h"
#include "restore/restore_plan.h"
#include "restore/restore_survey.h"
#include "restore/restore_writer.h"

#include <chrono>
#include <map>
#include <memory>

namespace rv {
namespace {

using platform::FileError;

std::string shownTarget(const RestoreTarget& target)
{
    return nativeSeparators(entryPath(target.folder, target.relative));
}

// One restore: the files of one record, in its order.
class RestoreRun {
public:
    RestoreRun(const GenerationPlaces& source, RestorePlan plan, const RecordSurvey& survey,
               const std::function<void(const RestoreProgress&)>& onProgress, const std::atomic<bool>& cancel)
        : source_(source), plan_(std::move(plan)), onProgress_(onProgress), cancel_(cancel),
          keptName_(generationFolderName(platform::localTimeText(std::chrono::system_clock::now())).value_or("復元"))
    {
        progress_.filesTotal = survey.files;
        progress_.bytesTotal = survey.bytes;
    }

    RestoreOutcome run(RecordReader& reader);

private:
    void putBack(const RecordedFile& file);
    void notDone(const std::string& shown, std::string_view why)
    {
        outcome_.notDone.push_back(shown + "：" + std::string(why));
    }
    RestoreWriter* writerFor(const RestoreTarget& target, std::string& why);
    void finish();

    const GenerationPlaces& source_;
    RestorePlan plan_;
    const std::function<void(const RestoreProgress&)>& onProgress_;
    const std::atomic<bool>& cancel_;
    std::string keptName_;
    platform::FileCopier copier_;
    std::map<std::string, std::unique_ptr<RestoreWriter>> writers_; // by the folder they write to
    RestoreProgress progress_;
    RestoreOutcome outcome_;
    std::uint64_t restored_ = 0;
    std::uint64_t unchanged_ = 0;
    std::uint64_t leftAlone_ = 0;
};

RestoreWriter* RestoreRun::writerFor(const RestoreTarget& target, std::string& why)
{
    auto& writer = writers_[target.folder];
    if (!writer) {
        auto opened = RestoreWriter::open(target.folder, keptName_);
        if (!opened.ok()) {
            writers_.erase(target.folder);
            why = "戻す先のフォルダを開けません：" + describeFileError(opened.error());
            return nullptr;
        }
        writer = std::move(opened.value());
    }
    return writer.get();
}

void RestoreRun::putBack(const RecordedFile& file)
{
    const auto target = plan_.targetOf(file.relativePath);
    if (!target) {
        notDone(escapeRecordPath(file.relativePath), "今の設定（rv.dat）には戻す場所がありません");
        return;
    }
    const std::string shown = shownTarget(*target);
    progress_.current = shown;
    onProgress_(progress_);
    std::string why;
    RestoreWriter* writer = writerFor(*target, why);
    if (writer == nullptr) {
        notDone(shown, why);
        return;
    }
    // The backup's copy: in the first of the generation's places that holds it.
    auto backupCopy = fromFirstHolding(source_.places, [&](const platform::DestinationFolder& place) {
        return platform::SourceFile::openBelow(place, file.relativePath);
    });
    if (!backupCopy.ok()) {
        notDone(shown, "バックアップのファイルを開けません：" + describeFileError(backupCopy.error()));
        return;
    }
    const std::uint64_t bytesBefore = progress_.bytesDone;
    platform::CopyControl control{&cancel_, [&](std::uint64_t bytes) {
                                      progress_.bytesDone = bytesBefore + bytes;
                                      onProgress_(progress_);
                                  }};
    auto put = writer->put(copier_, backupCopy.value(), file, target->relative, target->onlyWhenMissing, control);
    progress_.bytesDone = bytesBefore + file.size;
    if (!put.ok()) {
        notDone(shown, put.error().reason);
    } else if (put.value() == PutBack::LeftAlone) {
        ++leftAlone_;
    } else {
        ++restored_;
        unchanged_ += put.value() == PutBack::Unchanged ? 1 : 0;
    }
}

void RestoreRun::finish()
{
    for (const auto& [folder, writer] : writers_) {
        if (auto flushed = writer->finish(); !flushed.ok()) {
            notDone(nativeSeparators(folder),
                    "戻したファイルの書き込みを確定できません：" + describeFileError(flushed.error()));
        }
        if (const auto kept = writer->keptPath()) {
            outcome_.keptAside += outcome_.keptAside.empty() ? *kept : "\n" + *kept;
        }
    }
}

RestoreOutcome RestoreRun::run(RecordReader& reader)
{
    while (!cancel_) {
        const auto entry = reader.next();
        if (!entry) {
            break;
        }
        if (const auto* missing = std::get_if<NotCopiedEntry>(&*entry)) {
            notDone(escapeRecordPath(missing->relativePath),
                    "バックアップのときにコピーできなかったため、バックアップにありません（" + missing->reason + "）");
            continue;
        }
        putBack(std::get<RecordedFile>(*entry));
        ++progress_.filesDone;
    }
    if (const auto& damage = reader.damage()) {
        // Changed since it was first read: nothing after the change is trusted.
        notDone("バックアップの記録", describeRecordDamage(*damage));
    }
    finish();
    outcome_.cancelled = cancel_;
    outcome_.exitCode = outcome_.cancelled || !outcome_.notDone.empty() ? kRestoreNotAll : kRestoreAllRestored;
    outcome_.summary = describeRestoreCounts(
        {progress_.filesTotal, restored_, unchanged_, leftAlone_, outcome_.notDone.size(), outcome_.cancelled});
    return std::move(outcome_);
}

// A database the records system seems to have open: a restore would pull the
// file from under it.
std::optional<RestoreRefusal> openDatabasesRefusal(const Settings& settings)
{
    const std::vector<OpenDatabase> open = findOpenDatabases(settings);
    if (open.empty()) {
        return std::nullopt;
    }
    std::string text = "次のデータベースはRVシステムで開かれているようです。RVシステムを終了してから復元してください。";
    for (const OpenDatabase& database : open) {
        text += "\n・" + database.name + "（" + fileNameOf(database.lockFile) + " があります）";
    }
    return RestoreRefusal{RestoreRefusal::Why::DatabaseOpen, text};
}

} // namespace

RestoreOutcome refusedRestore(const RestoreRefusal& refusal)
{
    RestoreOutcome outcome;
    outcome.exitCode = kRestoreCouldNotStart;
    outcome.summary = refusal.message;
    return outcome;
}

RestoreOutcome runRestore(std::string_view programFolder, const GenerationPlaces& source,
                          const std::function<void(const RestoreProgress&)>& onProgress,
                          const std::atomic<bool>& cancel)
{
    auto survey = surveyRecord(source.recordFolder(), cancel);
    if (!survey.ok()) {
        return refusedRestore(survey.error());
    }
    if (survey.value().cancelled) {
        return cancelledBeforeStart();
    }
    auto settings = restoreSettings(programFolder, source.places);
    if (!settings.ok()) {
        return refusedRestore(settings.error());
    }
    if (const auto refusal = openDatabasesRefusal(settings.value())) {
        return refusedRestore(*refusal);
    }
    auto reader = RecordReader::open(source.recordFolder());
    if (!reader.ok()) {
        return refusedRestore(
            {RestoreRefusal::Why::NoBackup, "バックアップの記録を開けません：" + reader.error().detail});
    }
    RestoreRun run(source, RestorePlan(settings.value(), programFolder), survey.value(), onProgress, cancel);
    return run.run(reader.value());
}

} // namespace rv
