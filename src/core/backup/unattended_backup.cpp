#include "backup/unattended_backup.h"

#include "backup/backup_folder.h"
#include "backup/backup_job.h"
#include "backup/open_databases.h"
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

void writeItem(const ItemResult& item, std::ostream& out)
{
    out << outcomeWord(item) << "  " << item.source << " -> " << item.destination;
    if (item.outcome != ItemOutcome::Copied) {
        out << " (" << reasonText(item.reason) << ")";
    }
    if (item.filesTotal > 0) {
        out << " [" << item.filesCopied << "/" << item.filesTotal << " files]";
    }
    out << '\n';
    for (const FileFailure& failure : item.fileFailures) {
        out << "FAILED    " << item.source << platform::kPathSeparator << failure.relativePath << " -> "
            << item.destination << platform::kPathSeparator << failure.relativePath << " ("
            << reasonText(failure.reason) << ")\n";
    }
}

int fatal(std::ostream& out, const std::string& text)
{
    out << text << '\n';
    return kExitFatal;
}

} // namespace

int runUnattendedBackup(std::string_view programFolder, std::string_view destination, std::ostream& out,
                        const std::atomic<bool>& cancel)
{
    auto settings = ReadSettings(programFolder);
    if (!settings.ok()) {
        return fatal(out, describeSettingsError(settings.error()));
    }
    for (const std::string& note : settings.value().notes) {
        out << "note: " << note << '\n';
    }
    const auto folder = backupFolderFromChosenPath(destination);
    if (!folder) {
        return fatal(out, "保存先のフォルダが指定されていません。");
    }
    auto where = platform::inspect(*folder);
    if (!where.ok() || where.value().kind != platform::EntryKind::Folder) {
        return fatal(out, "保存先のフォルダが見つかりません：" + *folder);
    }
    BackupJob job;
    auto started = job.start(settings.value(), programFolder, *folder, {});
    if (!started.ok()) {
        return fatal(out, started.error().message.text);
    }
    // Copied all the same, since nobody is there to ask; named, so that the log
    // tells why such a copy may not open.
    for (const OpenDatabase& open : findOpenDatabases(settings.value())) {
        out << "WARNING  " << describeOpenDatabaseWarning(open) << '\n';
    }
    while (!job.waitFor(kCancelPoll)) {
        if (cancel) {
            job.cancel();
        }
    }
    const JobOutcome outcome = job.finish();
    const BackupResult& result = outcome.result;
    std::size_t copied = 0;
    bool allCopied = !result.cancelled;
    for (const ItemResult& item : result.items) {
        writeItem(item, out);
        copied += item.outcome == ItemOutcome::Copied ? 1 : 0;
        allCopied = allCopied && item.outcome != ItemOutcome::Failed;
    }
    for (const std::string& note : result.notes) {
        out << "note: " << note << '\n';
    }
    out << result.items.size() << " 件中 " << copied << " 件をコピーしました。\n\n" << outcome.message.text << '\n';
    out.flush();
    return allCopied ? kExitAllCopied : kExitNotAllCopied;
}

} // namespace rv
