#pragma once

#include "qt/main_window.h"
#include "settings/settings.h"
#include "support/recording_message_boxes.h"
#include "support/scripted_folder_picker.h"

#include <QObject>
#include <QTemporaryDir>

#include <memory>

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void windowIsFixedCaptionedAndCentred();
    void controlsHaveTheirPlacesTextsAndFonts_data();
    void controlsHaveTheirPlacesTextsAndFonts();
    void hiddenTextBoxAndVoicePlace();
    void pictureAtNaturalSizeOverTheBackColour();
    void backupButtonHasTheFocusAndTabCyclesTheTwoButtons();
    void enterAndSpacePressOnlyTheFocusedButtonEscapeNothing();
    void formLoadMakesTheProgramFolderCurrent();

    // Last: once the program has ended, only QCoreApplication::exec()
    // runs an event loop again.
    void closingTheWindowEndsTheProgram();
    void exitButtonEndsTheProgramAtOnce();

private:
    static int runProgramLoop();
    QTemporaryDir programFolder_;
    const rv::Settings settings_{};
    RecordingMessageBoxes messages_;
    ScriptedFolderPicker picker_;
    std::unique_ptr<rv::ui::MainWindow> window_;
};
