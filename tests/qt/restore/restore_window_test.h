#pragma once

#include <QObject>

// The restore window over a fake restore service: what it speaks, and the
// way from the folder to the closing box with the screen's dialogs answered.
class RestoreWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void openingSpeaksTheHeadingThenEachCaptionOnFocus();
    void noAtTheQuestionTouchesNothingAndYesRestores();
    void aFolderWithNoBackupIsRefused();
    void theProgressDialogsCancelReachesTheService();
    void closingDuringARestoreCancelsItAndThenCloses();
};
