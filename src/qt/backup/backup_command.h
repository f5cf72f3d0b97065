#pragma once

#include "backup/backup_run.h"
#include "qt/backup/folder_picker.h"
#include "qt/message_boxes.h"
#include "settings/settings.h"

#include <QObject>
#include <QString>

#include <chrono>

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

    // Returns when the run is over and its closing message was dismissed.
    void run();
    bool isRunning() const { return running_; }

private:
    BackupResult copyBehindProgress(const BackupPlan& plan);
    void showResult(const BackupResult& result);

    QWidget& window_;
    QLineEdit& text1_;
    const Settings& settings_;
    const QString programFolder_;
    ui::ScreenMessageBoxes screenMessages_;
    DialogFolderPicker screenPicker_;
    ui::MessageBoxes* messages_ = &screenMessages_;
    FolderPicker* picker_ = &screenPicker_;
    bool running_ = false;
};

} // namespace rv::backup
