#pragma once

#include <QObject>

// What a user working by ear gets from the main window: the speech sent as it
// opens and as the focus moves, and what a screen reader finds in it.
class MainWindowSpeechTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void openingSpeaksHeadingBeforeFolderChangeThenCaption();
    void tabbingBackToTheBackupButtonSpeaksItAgain();
    void clickFromTheExitButtonSpeaksBeforeTheClick();
    void focusReachesBothLibrariesInTheProgramFolder();
    void engineHearsKanaWhileControlLogAndLibrariesGetTheCaptions();
    void windowOpensAndWorksWhenTheEngineCannotStart();
    void screenReaderFindsNamedButtonsAndNothingElseFocusable();
};
