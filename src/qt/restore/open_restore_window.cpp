#include "qt/restore/open_restore_window.h"

#include "qt/restore/restore_window.h"
#include "qt/speech/program_speech.h"
#include "qt/window_style.h"
#include "restore/folder_restore_service.h"

#include <QApplication>

namespace rv::ui {

int runRestoreWindow(const QString& programFolder)
{
    const std::unique_ptr<RestoreService> service = makeFolderRestoreService(programFolder.toStdString());
    RestoreWindow window(*service, programFolder, programSpeechBackend());
    centreOnScreen(window);
    window.show();
    return QApplication::exec();
}

} // namespace rv::ui
