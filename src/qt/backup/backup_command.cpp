#include "qt/backup/backup_command.h"

#include "qt/backup/backup_progress_dialog.h"
#include "qt/backup/run_input_guard.h"
#include "qt/log_categories.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

namespace rv::backup {
namespace {

// How often the progress dialog takes the latest figures.
constexpr std::chrono::milliseconds kRefreshInterval{100};

ui::MessageBoxes::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::None:
        return ui::MessageBoxes::Icon::None;
    case MessageIcon::Information:
        return ui::MessageBoxes::Icon::Information;
    case MessageIcon::Warning:
        return ui::MessageBoxes::Icon::Warning;
    }
    return ui::MessageBoxes::Icon::Warning;
}

void logLine(LogLevel level, const std::string& line)
{
    if (level == LogLevel::Warning) {
        qCWarning(lcBackup).noquote() << QString::fromStdString(line);
    } else {
        qCInfo(lcBackup).noquote() << QString::fromStdString(line);
    }
}

} // namespace

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
    hooks.log = logLine;
    // Queued: the worker ends on its own thread, the loop runs on this one.
    hooks.onFinished = [wake = untilDone_.get()] {
        QMetaObject::invokeMethod(wake, &QEventLoop::quit, Qt::QueuedConnection);
    };
    return hooks;
}

void BackupCommand::waitForTheJob(BackupJob& job)
{
    const RunInputGuard guard(window_);
    BackupProgressDialog dialog(&window_);
    connect(&dialog, &BackupProgressDialog::cancelRequested, &dialog, [&job] { job.cancel(); });
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, &dialog, [&job, &dialog] {
        if (auto progress = job.takeProgress()) {
            dialog.showProgress(*progress);
        }
    });
    refresh.start(kRefreshInterval);
    QTimer::singleShot(kProgressDelay, &dialog, [&dialog] { dialog.show(); });
    if (!job.isFinished()) {
        untilDone_->exec();
    }
}

void BackupCommand::endAfterClose() { window_.close(); }

void BackupCommand::log(LogLevel level, const std::string& line) { logLine(level, line); }

void BackupCommand::show(const ResultMessage& message)
{
    messages_->showOk(&window_, QString::fromStdString(message.caption), QString::fromStdString(message.text),
                      boxIcon(message.icon));
}

} // namespace rv::backup
