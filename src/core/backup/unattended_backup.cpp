#include "backup/unattended_backup.h"

#include "backup/backup_folder.h"
#include "backup/backup_job.h"
#include "backup/open_databases.h"
#include "common/printable_text.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "settings/settings.h"

namespace rv {
namespace {

// How soon a cancel from outside (Ctrl+C, SIGTERM) reaches the run.
constexpr std::chrono::milliseconds kCancelPoll{50};

std::string_view outcomeWord(const ItemResult& item)
{
    switch (item.outcome) {
    case ItemOutcome::Copied:
        return "OK    ";
    case ItemOutcome::NotPresent:
        return "ABSENT";
    case ItemOutcome::Failed:
        break;
    }
    return "FAILED";
}

// Each line is written and flushed as soon as what it says is final, so a
// run that is killed leaves the lines of what it finished. Names are escaped
// (printable): one line is one item, whatever a name holds.
void writeItem(const ItemResult& item, std::ostream& out)
{
    out << outcomeWord(item) << "  " << printable(item.source) << " -> " << printable(item.destination);
    if (item.outcome != ItemOutcome::Copied) {
        out << " (" << reasonText(item.reason) << ")";
    }
    if (item.filesTotal > 0) {
        out << " [" << item.filesCopied << "/" << item.filesTotal << " files]";
    }
    out << std::endl;
}

void writeFileNotCopied(const ItemResult& item, const FileFailure& failure, std::ostream& out)
{
    const std::string relative = printable(failure.relativePath);
    out << "FAILED    " << printable(item.source) << platform::kPathSeparator << relative << " -> "
        << printable(item.destination) << platform::kPathSeparator << relative << " (" << reasonText(failure.reason)
        << ")" << std::endl;
}

int fatal(std::ostream& out, const std::string& text)
{
    out << text << '\n';
    return kExitFatal;
}

} // namespace

int runUnattendedBackup(std::string_view programFolder, std::string_view destination, std::ostream& out,
                        const std::atomic<bool>& cancel, const RunTuning& tuning)
{
    auto settings = ReadSettings(programFolder);
    if (!settings.ok()) {
        return fatal(out, describeSettingsError(settings.error()));
    }
    for (const std::string& note : settings.value().notes) {
        out << "note: " << printable(note) << '\n';
    }
    const auto folder = backupFolderFromChosenPath(destination);
    if (!folder) {
        return fatal(out, "保存先のフォルダが指定されていません。");
    }
    auto where = platform::inspect(*folder);
    if (!where.ok() || where.value().kind != platform::EntryKind::Folder) {
        return fatal(out, "保存先のフォルダが見つかりません：" + printable(*folder));
    }
    // Copied all the same, since nobody is there to ask; named, so that the log
    // tells why such a copy may not open. Written before the run's own lines
    // start to come from its thread.
    for (const OpenDatabase& open : findOpenDatabases(settings.value())) {
        out << "WARNING  " << printable(describeOpenDatabaseWarning(open)) << '\n';
    }
    BackupJob job;
    BackupJob::Hooks hooks;
    hooks.onItemDone = [&out](const ItemResult& item) { writeItem(item, out); };
    hooks.onFileNotCopied = [&out](const ItemResult& item, const FileFailure& failure) {
        writeFileNotCopied(item, failure, out);
    };
    auto started = job.start(settings.value(), programFolder, *folder, std::move(hooks), tuning);
    if (!started.ok()) {
        return fatal(out, started.error().message.text);
    }
    while (!job.waitFor(kCancelPoll)) {
        if (cancel) {
            job.cancel();
        }
    }
    const JobOutcome outcome = job.finish();
    const BackupResult& result = outcome.result;
    bool allCopied = !result.cancelled;
    for (const ItemResult& item : result.items) {
        allCopied = allCopied && item.outcome != ItemOutcome::Failed;
    }
    for (const RunNote& note : outcome.notes()) {
        out << "note: " << printable(describeNote(note)) << '\n';
    }
    out << describeItemCounts(result) << "。\n\n" << outcome.message.text << '\n';
    out.flush();
    return allCopied ? kExitAllCopied : kExitNotAllCopied;
}

} // namespace rv
