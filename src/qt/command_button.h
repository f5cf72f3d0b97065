#pragma once

#include <QPushButton>

namespace rv::ui {

// A plain push button that is never a default button: Enter presses it only
// while it has the focus, as Space does; Escape does nothing.
class CommandButton final : public QPushButton {
    Q_OBJECT
public:
    CommandButton(const QString& text, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace rv::ui
