#pragma once

#include <QObject>

// What the speech engine is handed in place of text with kanji.
class KanaReadingTest : public QObject {
    Q_OBJECT
private slots:
    void engineIsGivenTheKanaReading_data();
    void engineIsGivenTheKanaReading();
    void withoutMeCabsSettingsTheTextGoesAsWrittenLoggedOnce();
};
