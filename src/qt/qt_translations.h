#pragma once

#include "common/result.h"

#include <QString>

class QCoreApplication;
class QTranslator;

namespace rv::ui {

// Qt's own texts (the folder picker, the message boxes' buttons, context
// menus) in Japanese like the program's own, whatever the system's locale.
// Needs the application object, which owns the installed translator, and must
// come before the first window. The error names the file that could not be
// loaded; without it Qt's texts stay English and the program still works.
Result<QTranslator*, QString> installQtTranslations(QCoreApplication& app);

} // namespace rv::ui
