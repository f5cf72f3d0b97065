#pragma once

#include <QObject>

class ThreadedSpeechBackendTest : public QObject {
    Q_OBJECT

private slots:
    void operationsWaitInOrderForASlowEngine();
    void interruptStopsUnheldSpeech();
    void missingEngineDropsSpeechQuietly();
    void hungEngineDoesNotHoldUpClosing();
};
