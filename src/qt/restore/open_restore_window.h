#pragma once

#include <QString>

namespace rv::ui {

// The restore window for --restore, over the restore engine for the program
// folder's rv.dat; returns the program's exit code once it is closed. The
// application object must exist.
int runRestoreWindow(const QString& programFolder);

} // namespace rv::ui
