#pragma once

#include <QObject>

class SpeechChannelsTest : public QObject {
    Q_OBJECT

private slots:
    void eachCallReachesItsChannelAndLogsOneLine();
    void textWithoutCp932FormIsLoggedForEachLibrary();
};
