#pragma once

#include "backup/backup_flow.h"
#include "backup/backup_front_end.h"
#include "qt/backup/folder_picker.h"
#include "qt/backup/job_progress.h"
#include "qt/message_boxes.h"
#include "settings/settings.h"

#include <QEventLoop>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLineEdit;
class QWidget;

namespace rv::backup {

// The backup button's command with Qt's dialogs: the folder dialog, the
// open-database question, the progress dialog over a worker thread and the
// closing message box. What happens when is the core's backup flow.
class BackupCommand final : public QObject, private BackupFrontEnd {
    Q_OBJECT
public:
    // The progress dialog appears only for a run that lasts longer than this.
    static constexpr std::chrono::milliseconds kProgressDelay = backup::kProgressDelay;

    // settings are owned by the start-up and outlive the window; text1 is the
    // window's hidden text box that keeps the chosen folder.
    BackupCommand(QWidget& window, QLineEdit& text1, const Settings& settings, const QString& programFolder);

    // The screen's own dialogs unless a test answers in their place.
    void setDialogs(ui::MessageBoxes& messages, FolderPicker& picker);

    // Returns when the command is over and its closing message was dismissed.
    // A call before then starts nothing.
    void run();
    // The window is being closed: true when it may close now; otherwise the
    // command stops (a run is cancelled and waited for) and then closes it.
    bool mayCloseWindow() { return flow_.requestClose(); }

private:
    std::optional<std::string> chooseFolder() override;
    void keepChosenFolder(const std::string& path) override;
    void refuse(const ResultMessage& why) override { show(why); }
    bool mayCopyOpenDatabases(const std::vector<OpenDatabase>& open) override;
    BackupJob::Hooks jobHooks() override;
    void waitForTheJob(BackupJob& job) override;
    void showOutcome(const JobOutcome& outcome) override { show(outcome.message); }
    void endAfterClose() override;
    void log(LogLevel level, const std::string& line) override;

    void show(const ResultMessage& message);

    QWidget& window_;
    QLineEdit& text1_;
    ui::ScreenMessageBoxes screenMessages_;
    DialogFolderPicker screenPicker_;
    ui::MessageBoxes* messages_ = &screenMessages_;
    FolderPicker* picker_ = &screenPicker_;
    // Quit by the job's worker when it ends. One per run, kept until the
    // next: the worker may still be quitting it after the wait is over.
    std::unique_ptr<QEventLoop> untilDone_;
    BackupFlow flow_;
};

} // namespace rv::backup
