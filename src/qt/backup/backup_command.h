#pragma once

#include "backup/backup_job.h"
#include "qt/backup/folder_picker.h"
#include "qt/message_boxes.h"
#include "settings/settings.h"

#include <QObject>
#include <QString>

#include <chrono>

class QEventLoop;
class QLineEdit;
class QWidget;

namespace rv::backup {

// The backup button's run: asks for the folder, copies on a worker thread
// behind a progress dialog, and closes with the result in a message box.
class BackupCommand final : public QObject {
    Q_OBJECT
public:
    // The progress dialog appears only for a run that lasts longer than this.
    static constexpr std::chrono::milliseconds kProgressDelay{500};

    // settings are owned by the start-up and outlive the window; text1 is the
    // window's hidden text box that keeps the chosen folder.
    BackupCommand(QWidget& window, QLineEdit& text1, const Settings& settings, QString programFolder);

    // The screen's own dialogs unless a test answers in their place.
    void setDialogs(ui::MessageBoxes& messages, FolderPicker& picker);

    // Returns when the run is over and its closing message was dismissed. A
    // call during a run starts nothing.
    void run();
    bool isRunning() const { return job_.isRunning(); }
    // Asks a run in progress to stop (the window is being closed).
    void cancel() { job_.cancel(); }

private:
    JobOutcome copyBehindProgress(QEventLoop& untilDone);
    // Asks before copying databases that look open in the records system.
    bool mayCopyOpenDatabases();
    void show(const ResultMessage& message);

    QWidget& window_;
    QLineEdit& text1_;
    const Settings& settings_;
    const QString programFolder_;
    ui::ScreenMessageBoxes screenMessages_;
    DialogFolderPicker screenPicker_;
    ui::MessageBoxes* messages_ = &screenMessages_;
    FolderPicker* picker_ = &screenPicker_;
    BackupJob job_;
};

} // namespace rv::backup
