#pragma once

#include <QObject>

class SpeechLibraryTest : public QObject {
    Q_OBJECT

private slots:
    void passesTheBytesWithANulAndTheArgument();
    void passesOverALibraryItCannotUse_data();
    void passesOverALibraryItCannotUse();
    void looksAgainWhileMissingThenKeepsTheLibrary();
    // Run by its own CTest entry with the stand-ins' folder on the search path.
    void findsLibraryOnSearchPath();
};
