#pragma once

#include "qt/backup/folder_picker.h"
#include "qt/message_boxes.h"
#include "qt/speech/speech_channels.h"
#include "restore/restore_flow.h"
#include "restore/restore_front_end.h"
#include "restore/restore_service.h"

#include <QEventLoop>
#include <QString>
#include <QWidget>

#include <memory>

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace rv::ui {

class SpeechBackend;
class SpeechControl;

// The restore window: the backup folder, its generations, what restoring
// the picked one would replace, and the restore with its question, progress
// and closing box. What happens when, and every text, is the core's restore
// flow; the window speaks its heading as it opens and each control's caption
// as it takes the focus, over the same channels as the main window.
class RestoreWindow final : public QWidget, private RestoreFrontEnd {
    Q_OBJECT
public:
    // service outlives the window. speech is what stands behind the speech
    // control (none: calls are only logged).
    RestoreWindow(RestoreService& service, const QString& programFolder, std::shared_ptr<SpeechBackend> speech,
                  QWidget* parent = nullptr);
    ~RestoreWindow() override;

    // The screen's own dialogs unless a test answers in their place.
    void setDialogs(MessageBoxes& messages, backup::FolderPicker& picker);

protected:
    // During a restore the window stays until the restore has stopped.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void layOut();
    void watchFocus(QWidget* control, const char* caption);

    std::optional<std::string> chooseFolder() override;
    void showFolder(const std::string& folder) override;
    void showGenerations(const std::vector<GenerationLine>& lines) override;
    void showPreview(const std::optional<PreviewText>& preview) override;
    void refuse(const ResultMessage& why) override;
    bool confirm(const ResultMessage& question) override;
    RestoreJob::Hooks jobHooks() override;
    void waitForTheJob(RestoreJob& job) override;
    void showOutcome(const ResultMessage& outcome) override;
    void endAfterClose() override;
    void log(LogLevel level, const std::string& line) override;

    QLabel* heading_ = nullptr;
    QPushButton* folderButton_ = nullptr;
    QLabel* folder_ = nullptr;
    QTreeWidget* generations_ = nullptr;
    QLabel* previewSummary_ = nullptr;
    QListWidget* replaced_ = nullptr;
    QPushButton* restoreButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    SpeechControl* voice_ = nullptr;
    std::unique_ptr<WindowSpeechChannels> speech_;

    ScreenMessageBoxes screenMessages_;
    backup::DialogFolderPicker screenPicker_;
    MessageBoxes* messages_ = &screenMessages_;
    backup::FolderPicker* picker_ = &screenPicker_;
    // Quit by the job's worker when it ends. One per restore, kept until the
    // next: the worker may still be quitting it after the wait is over.
    std::unique_ptr<QEventLoop> untilDone_;
    RestoreFlow flow_;
};

} // namespace rv::ui
