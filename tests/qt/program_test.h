#pragma once

#include <QObject>

// The built program itself, started as a user would start it.
class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    // Qt's own options are accepted beside the program's; an unknown one is
    // refused with exit code 2.
    void commandLineAnswersWithoutAWindow_data();
    void commandLineAnswersWithoutAWindow();

    // Started through a shortcut whose working folder is elsewhere, the
    // program still reads the rv.dat beside it and opens its main window.
    void startsFromAnotherFolderWithTheSettingsBesideIt();
};
