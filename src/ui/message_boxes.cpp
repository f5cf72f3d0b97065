#include "ui/message_boxes.h"

#include <QMessageBox>

namespace rv::ui {

void ScreenMessageBoxes::showOk(QWidget* owner, const QString& caption, const QString& text, Icon icon)
{
    QMessageBox box(icon == Icon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon, caption, text,
                    QMessageBox::Ok, owner);
    box.exec();
}

} // namespace rv::ui
