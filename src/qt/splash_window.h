#pragma once

#include <QWidget>

class QLabel;

namespace rv::ui {

// frmSplash: the title picture with two lines of text, on the screen while the
// program starts. It takes no input and has no behaviour of its own; the
// start-up sequence shows, paints and closes it.
class SplashWindow final : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

private:
    QLabel* Picture2;
    QLabel* Label4;
    QLabel* Label3;
};

} // namespace rv::ui
