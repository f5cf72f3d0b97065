#include "qt/backup/backup_command.h"

#include "qt/backup/job_progress.h"
#include "qt/backup/run_messages.h"

#include <QLineEdit>

namespace rv::backup {

BackupCommand::BackupCommand(QWidget& window, QLineEdit& text1, const Settings& settings, const QString& programFolder)
    : QObject(&window), window_(window), text1_(text1), flow_(settings, programFolder.toStdString())
{
    setObjectName(QStringLiteral("backupCommand"));
}

void BackupCommand::setDialogs(ui::MessageBoxes& messages, FolderPicker& picker)
{
    messages_ = &messages;
    picker_ = &picker;
}

void BackupCommand::run() { flow_.run(*this); }

std::optional<std::string> BackupCommand::chooseFolder()
{
    const QString chosen = picker_->chooseFolder(&window_);
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return chosen.toStdString();
}

void BackupCommand::keepChosenFolder(const std::string& path) { text1_.setText(QString::fromStdString(path)); }

bool BackupCommand::mayCopyOpenDatabases(const std::vector<OpenDatabase>& open)
{
    return messages_->askYesNo(&window_, QString::fromUtf8(kMessageCaption),
                               QString::fromStdString(describeOpenDatabasesQuestion(open)));
}

BackupJob::Hooks BackupCommand::jobHooks()
{
    untilDone_ = std::make_unique<QEventLoop>();
    BackupJob::Hooks hooks;
    hooks.log = logRunLine;
    hooks.onFinished = quitFromWorker(untilDone_.get());
    return hooks;
}

void BackupCommand::waitForTheJob(BackupJob& job)
{
    showProgressUntilDone(window_, job, *untilDone_, kBackupProgressTexts);
}

void BackupCommand::endAfterClose() { window_.close(); }

void BackupCommand::log(LogLevel level, const std::string& line) { logRunLine(level, line); }

void BackupCommand::show(const ResultMessage& message) { showResultMessage(*messages_, &window_, message); }

} // namespace rv::backup
