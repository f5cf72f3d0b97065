#pragma once

#include "qt/speech/speech_channels.h"
#include "settings/settings.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;

namespace rv::backup {
class BackupCommand;
}

namespace rv::ui {

class CommandButton;
class SpeechBackend;
class SpeechControl;

// 選択3: the window in which the user works. The controls keep their
// designer names; the handlers keep the names of the events they answer.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // settings are owned by the start-up and outlive the window. speech is
    // what stands behind the speech control Voice1 (none: calls are only
    // logged); the program starts its engine early and hands it in.
    MainWindow(const rv::Settings& settings, QString programFolder, QWidget* parent = nullptr,
               std::shared_ptr<SpeechBackend> speech = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    // During a backup command the window stays until the command has stopped.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createVoice(std::shared_ptr<SpeechBackend> speech);
    void Form_Load();
    void Command13_GotFocus();
    void Command13_Click();
    void Command4_Click();

    const rv::Settings& settings_;
    const QString programFolder_;
    const QPixmap picture_;

    QLabel* Label1 = nullptr;
    CommandButton* Command13 = nullptr;
    CommandButton* Command4 = nullptr;
    QLineEdit* Text1 = nullptr;
    SpeechControl* Voice1 = nullptr;
    // Voice1 and the two speech libraries, for the core's speech sequences.
    std::unique_ptr<WindowSpeechChannels> speech_;
    // The backup run behind Command13 (objectName "backupCommand").
    backup::BackupCommand* backupCommand_ = nullptr;
};

} // namespace rv::ui
