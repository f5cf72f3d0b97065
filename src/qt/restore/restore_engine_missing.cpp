// Built in place of open_restore_window.cpp while the core has no restore
// engine: the program says it cannot restore rather than open a window that
// could not.
#include "qt/message_boxes.h"
#include "qt/restore/open_restore_window.h"
#include "restore/restore_service.h"
#include "restore/restore_texts.h"

namespace rv::ui {

int runRestoreWindow(const QString& /*programFolder*/)
{
    ScreenMessageBoxes().showOk(nullptr, QString::fromUtf8(kMessageCaption), QString::fromUtf8(kRestoreNotBuiltInText),
                                MessageBoxes::Icon::Critical);
    return kRestoreCouldNotStart;
}

} // namespace rv::ui
