#pragma once

#include <QObject>

class SpeechControlTest : public QObject {
    Q_OBJECT

private slots:
    void dispatchIdentifiersReachTheirOperations();
    void neverTakesTheFocus();
};
