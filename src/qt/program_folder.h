#pragma once

#include <QString>

namespace rv {

// Makes the program folder the process's current folder, so that relative
// paths in rv.dat resolve beside the program. The folder holds the running
// program, so this fails only if it vanished; a failure is logged and the
// program goes on in the folder it was in.
void enterProgramFolder(const QString& programFolder);

} // namespace rv
