#pragma once

#include "startup/settings.h"

#include <QPixmap>
#include <QWidget>

class QLabel;
class QLineEdit;

namespace rv::ui {

class CommandButton;

// 選択3: the window in which the user works. The controls keep their
// designer names; the handlers keep the names of the events they answer.
class MainWindow final : public QWidget {
    Q_OBJECT
public:
    // settings are owned by the start-up and outlive the window.
    MainWindow(const rv::Settings& settings, QString programFolder, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void createVoicePlace();
    void Form_Load();
    void Command4_Click();

    const rv::Settings& settings_;
    const QString programFolder_;
    const QPixmap picture_;

    QLabel* Label1 = nullptr;
    CommandButton* Command13 = nullptr;
    CommandButton* Command4 = nullptr;
    QLineEdit* Text1 = nullptr;
    // Where the speech control sits; it draws nothing of its own.
    QWidget* Voice1 = nullptr;
};

} // namespace rv::ui
