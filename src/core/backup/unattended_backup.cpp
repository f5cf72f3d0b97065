#include "backup/unattended_backup.h"

#include "backup/backup_flow.h"
#include "backup/backup_front_end.h"
#include "backup/backup_message.h"
#include "backup/run_note.h"
#include "common/printable_text.h"
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
    out << outcomeWord(item) << "  " << shownPath(item.source) << " -> " << shownPath(item.destination);
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
    const std::string relative = '/' + failure.relativePath;
    out << "FAILED    " << shownPath(item.source + relative) << " -> " << shownPath(item.destination + relative) << " ("
        << reasonText(failure.reason) << ")" << std::endl;
}

int fatal(std::ostream& out, const std::string& text)
{
    out << text << '\n';
    return kExitFatal;
}

// The front end that asks nobody: the folder is the one given, databases
// that look open are copied all the same and named, and everything is
// written to out as it becomes final.
class UnattendedFrontEnd final : public BackupFrontEnd {
public:
    UnattendedFrontEnd(std::string_view destination, std::ostream& out, const std::atomic<bool>& cancel)
        : destination_(destination), out_(out), cancel_(cancel)
    {
    }

    std::optional<std::string> chooseFolder() override { return destination_; }
    void keepChosenFolder(const std::string& /*path*/) override {}
    void refuse(const ResultMessage& why) override { exitCode_ = fatal(out_, why.text); }

    // Named, so that the log tells why such a copy may not open. Written
    // before the run's own lines start to come from its thread.
    bool mayCopyOpenDatabases(const std::vector<OpenDatabase>& open) override
    {
        for (const OpenDatabase& database : open) {
            out_ << "WARNING  " << printable(describeOpenDatabaseWarning(database)) << '\n';
        }
        return true;
    }

    BackupJob::Hooks jobHooks() override
    {
        BackupJob::Hooks hooks;
        hooks.onItemDone = [this](const ItemResult& item) { writeItem(item, out_); };
        hooks.onFileNotCopied = [this](const ItemResult& item, const FileFailure& failure) {
            writeFileNotCopied(item, failure, out_);
        };
        return hooks;
    }

    void waitForTheJob(BackupJob& job) override
    {
        while (!job.waitFor(kCancelPoll)) {
            if (cancel_) {
                job.cancel();
            }
        }
    }

    void showOutcome(const JobOutcome& outcome) override;
    void endAfterClose() override {}
    // The run's log lines have no place here: the item lines say the same.
    void log(LogLevel /*level*/, const std::string& /*line*/) override {}

    int exitCode() const { return exitCode_; }

private:
    std::string destination_;
    std::ostream& out_;
    const std::atomic<bool>& cancel_;
    int exitCode_ = kExitFatal;
};

void UnattendedFrontEnd::showOutcome(const JobOutcome& outcome)
{
    const BackupResult& result = outcome.result;
    bool allCopied = !result.cancelled;
    for (const ItemResult& item : result.items) {
        allCopied = allCopied && item.outcome != ItemOutcome::Failed;
    }
    for (const RunNote& note : outcome.notes()) {
        out_ << "note: " << printable(describeNote(note)) << '\n';
    }
    out_ << describeItemCounts(result) << "。\n\n" << outcome.message.text << '\n';
    out_.flush();
    // A backup whose record was not written cannot be checked: not a success.
    exitCode_ = allCopied && !outcome.recordNote ? kExitAllCopied : kExitNotAllCopied;
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
    UnattendedFrontEnd frontEnd(destination, out, cancel);
    BackupFlow flow(settings.value(), std::string(programFolder), tuning);
    if (flow.run(frontEnd) == FlowEnd::Cancelled) {
        return fatal(out, "保存先のフォルダが指定されていません。");
    }
    return frontEnd.exitCode();
}

} // namespace rv
