#pragma once

#include <QObject>

class SpeechSequencesTest : public QObject {
    Q_OBJECT

private slots:
    void loadSpeaksHeadingThenHoldsItThroughControlOnly();
    void focusReachesEveryChannelPresent_data();
    void focusReachesEveryChannelPresent();
    void logsOneLinePerCallInOrder();
};
