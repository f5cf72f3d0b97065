#include "qt/backup/backup_command.h"

#include "backup/backup_folder.h"
#include "backup/backup_message.h"
#include "backup/backup_plan.h"
#include "backup/copy_reason.h"
#include "qt/backup/backup_progress_dialog.h"
#include "qt/backup/run_input_guard.h"
#include "qt/log_categories.h"

#include <QEventLoop>
#include <QLineEdit>
#include <QTimer>

#include <mutex>
#include <thread>

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

void logItem(const ItemResult& item)
{
    if (item.outcome == ItemOutcome::Copied) {
        qCInfo(lcBackup).noquote() << "copied" << QString::fromStdString(item.source) << "->"
                                   << QString::fromStdString(item.destination);
        return;
    }
    qCInfo(lcBackup).noquote() << "not copied" << QString::fromStdString(item.source) << "->"
                               << QString::fromStdString(item.destination) << ":"
                               << QString::fromUtf8(reasonText(item.reason).data())
                               << QString::fromStdString(item.detail);
    for (const FileFailure& failure : item.fileFailures) {
        qCInfo(lcBackup).noquote() << "  not copied" << QString::fromStdString(failure.relativePath) << ":"
                                   << QString::fromStdString(failure.detail);
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
    if (running_) {
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
    qCInfo(lcBackup).noquote() << "backup folder" << QString::fromStdString(*folder);
    auto plan = makeBackupPlan(settings_, programFolder_.toStdString(), *folder);
    if (!plan.ok()) {
        const ResultMessage refusal = describeRefusal(plan.error());
        qCWarning(lcBackup).noquote() << "destination refused:" << QString::fromStdString(refusal.text);
        messages_->showOk(&window_, QString::fromStdString(refusal.caption), QString::fromStdString(refusal.text),
                          boxIcon(refusal.icon));
        return;
    }
    running_ = true;
    const BackupResult result = copyBehindProgress(plan.value());
    running_ = false;
    showResult(result);
}

BackupResult BackupCommand::copyBehindProgress(const BackupPlan& plan)
{
    const RunInputGuard guard(window_);
    std::atomic<bool> cancel{false};
    std::mutex progressMutex;
    BackupProgress latest;
    bool fresh = false;
    BackupCallbacks callbacks;
    callbacks.onProgress = [&](const BackupProgress& progress) {
        const std::lock_guard lock(progressMutex);
        latest = progress;
        fresh = true;
    };
    callbacks.onItemDone = logItem;

    BackupProgressDialog dialog(&window_);
    connect(&dialog, &BackupProgressDialog::cancelRequested, &dialog, [&cancel] {
        qCInfo(lcBackup) << "cancel requested";
        cancel = true;
    });
    QTimer refresh;
    connect(&refresh, &QTimer::timeout, &dialog, [&] {
        const std::lock_guard lock(progressMutex);
        if (fresh) {
            dialog.showProgress(latest);
            fresh = false;
        }
    });
    refresh.start(kRefreshInterval);
    QTimer::singleShot(kProgressDelay, &dialog, [&dialog] { dialog.show(); });

    QEventLoop untilDone;
    BackupResult result;
    std::thread worker([&] {
        result = runBackup(plan, callbacks, cancel);
        QMetaObject::invokeMethod(&untilDone, &QEventLoop::quit, Qt::QueuedConnection);
    });
    untilDone.exec();
    worker.join();
    return result;
}

void BackupCommand::showResult(const BackupResult& result)
{
    for (const std::string& note : result.notes) {
        qCWarning(lcBackup).noquote() << QString::fromStdString(note);
    }
    const ResultMessage message = describeBackupResult(result);
    qCInfo(lcBackup).noquote() << "result:" << QString::fromStdString(message.text);
    messages_->showOk(&window_, QString::fromStdString(message.caption), QString::fromStdString(message.text),
                      boxIcon(message.icon));
}

} // namespace rv::backup
