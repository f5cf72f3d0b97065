#include "qt/backup/backup_command.h"

#include "backup/backup_folder.h"
#include "backup/open_databases.h"
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

BackupCommand::BackupCommand(QWidget& window, QLineEdit& text1, const Settings& settings, QString programFolder)
    : QObject(&window), window_(window), text1_(text1), settings_(settings), programFolder_(std::move(programFolder))
{
    setObjectName(QStringLiteral("backupCommand"));
}

void BackupCommand::setDialogs(ui::MessageBoxes& messages, FolderPicker& picker)
{
    messages_ = &messages;
    picker_ = &picker;
}

void BackupCommand::run()
{
    if (job_.isRunning()) {
        qCInfo(lcBackup) << "a backup is already running; the click is ignored";
        return;
    }
    const QString chosen = picker_->chooseFolder(&window_);
    if (chosen.isEmpty()) {
        qCInfo(lcBackup) << "folder selection cancelled";
        return;
    }
    // The text box keeps the path up to its first NUL, and the run reads it back.
    text1_.setText(chosen.left(chosen.indexOf(QChar(u'\0'))));
    const auto folder = backupFolderFromChosenPath(text1_.text().toStdString());
    if (!folder) {
        qCInfo(lcBackup) << "the selection has no file-system path; ended as a cancel";
        return;
    }
    if (!mayCopyOpenDatabases()) {
        return;
    }
    QEventLoop untilDone;
    BackupJob::Hooks hooks;
    hooks.log = logLine;
    hooks.onFinished = [&untilDone] { QMetaObject::invokeMethod(&untilDone, &QEventLoop::quit, Qt::QueuedConnection); };
    auto started = job_.start(settings_, programFolder_.toStdString(), *folder, std::move(hooks));
    if (!started.ok()) {
        if (started.error().why == StartRefusal::Why::Destination) {
            show(started.error().message);
        }
        return;
    }
    show(copyBehindProgress(untilDone).message);
}

JobOutcome BackupCommand::copyBehindProgress(QEventLoop& untilDone)
{
    const RunInputGuard guard(window_);
    BackupProgressDialog dialog(&window_);
    connect(&dialog, &BackupProgressDialog::cancelRequested, &dialog, [this] { job_.cancel(); });
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, &dialog, [this, &dialog] {
        if (auto progress = job_.takeProgress()) {
            dialog.showProgress(*progress);
        }
    });
    refresh.start(kRefreshInterval);
    QTimer::singleShot(kProgressDelay, &dialog, [&dialog] { dialog.show(); });
    if (!job_.isFinished()) {
        untilDone.exec();
    }
    return job_.finish();
}

bool BackupCommand::mayCopyOpenDatabases()
{
    const std::vector<OpenDatabase> open = findOpenDatabases(settings_);
    if (open.empty()) {
        return true;
    }
    for (const OpenDatabase& database : open) {
        qCWarning(lcBackup).noquote() << "probably open:" << QString::fromStdString(database.lockFile);
    }
    const bool yes = messages_->askYesNo(&window_, QString::fromUtf8(kMessageCaption),
                                         QString::fromStdString(describeOpenDatabasesQuestion(open)));
    qCInfo(lcBackup) << (yes ? "copying the open databases as the user chose" : "not copied: databases open");
    return yes;
}

void BackupCommand::show(const ResultMessage& message)
{
    messages_->showOk(&window_, QString::fromStdString(message.caption), QString::fromStdString(message.text),
                      boxIcon(message.icon));
}

} // namespace rv::backup
