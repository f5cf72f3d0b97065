#pragma once

#include <QString>

class QWidget;

namespace rv::ui {

// Every message box of the program goes through this, so that tests can read
// what would have been shown instead of waiting for a person to press OK.
class MessageBoxes {
public:
    enum class Icon { None, Information, Warning, Critical };

    virtual ~MessageBoxes() = default;
    // A modal box with an OK button only; returns when it is dismissed.
    virtual void showOk(QWidget* owner, const QString& caption, const QString& text, Icon icon) = 0;
    // A modal warning with Yes and No, No the default (Enter and Escape);
    // true only when the user chose Yes.
    virtual bool askYesNo(QWidget* owner, const QString& caption, const QString& text) = 0;
};

// The real boxes, on the screen.
class ScreenMessageBoxes final : public MessageBoxes {
public:
    void showOk(QWidget* owner, const QString& caption, const QString& text, Icon icon) override;
    bool askYesNo(QWidget* owner, const QString& caption, const QString& text) override;
};

} // namespace rv::ui
