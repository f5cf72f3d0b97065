#pragma once

#include <QObject>

class UtteranceQueueTest : public QObject {
    Q_OBJECT

private slots:
    void handsOutOneTextAtATimeInOrder();
    void heldHeadingOutlivesTheInterruptBeforeTheCaption();
    void heldTextStillWaitingSurvivesInterrupt();
    void interruptCutsUnheldSpeechAndDropsWhatWaits();
    void holdCoversOnlyWhatIsAlreadyQueued();
};
