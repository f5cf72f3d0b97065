#include "qt/backup/run_input_guard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace rv::backup {
namespace {

bool isInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::Wheel:
        return true;
    default:
        return false;
    }
}

} // namespace

RunInputGuard::RunInputGuard(QWidget& window) : window_(window)
{
    qApp->installEventFilter(this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

RunInputGuard::~RunInputGuard()
{
    QApplication::restoreOverrideCursor();
    qApp->removeEventFilter(this);
}

bool RunInputGuard::eventFilter(QObject* watched, QEvent* event)
{
    if (!isInput(event->type()) || !watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    // isAncestorOf stops at window borders: the progress dialog is not blocked.
    if (widget == &window_ || window_.isAncestorOf(widget)) {
        event->ignore();
        return true;
    }
    return false;
}

} // namespace rv::backup
