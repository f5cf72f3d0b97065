#include "utterance_queue_test.h"
#include "qt/speech/utterance_queue.h"

#include <QTest>

using rv::ui::UtteranceQueue;

namespace {

// Everything the queue hands out while the synthesizer finishes each text.
QStringList drain(UtteranceQueue& queue)
{
    QStringList spoken;
    while (auto text = queue.takeNext()) {
        spoken << *text;
        queue.finished();
    }
    return spoken;
}

} // namespace

void UtteranceQueueTest::handsOutOneTextAtATimeInOrder()
{
    UtteranceQueue queue;
    queue.push(QStringLiteral("a"));
    queue.push(QStringLiteral("b"));
    QCOMPARE(queue.takeNext(), std::optional(QStringLiteral("a")));
    QCOMPARE(queue.takeNext(), std::nullopt); // "a" is still being spoken
    queue.finished();
    QCOMPARE(drain(queue), QStringList{QStringLiteral("b")});
}

void UtteranceQueueTest::heldHeadingOutlivesTheInterruptBeforeTheCaption()
{
    // The load sequence, then the focus sequence, as the window opens.
    UtteranceQueue queue;
    queue.push(QStringLiteral("heading"));
    QCOMPARE(queue.takeNext(), std::optional(QStringLiteral("heading")));
    queue.holdAll();
    QVERIFY(!queue.interrupt());
    queue.push(QStringLiteral("caption"));
    QCOMPARE(queue.takeNext(), std::nullopt);
    queue.finished();
    QCOMPARE(drain(queue), QStringList{QStringLiteral("caption")});
}

void UtteranceQueueTest::heldTextStillWaitingSurvivesInterrupt()
{
    // The engine is not ready yet: nothing has been handed out.
    UtteranceQueue queue;
    queue.push(QStringLiteral("heading"));
    queue.holdAll();
    QVERIFY(!queue.interrupt());
    queue.push(QStringLiteral("caption"));
    QCOMPARE(drain(queue), QStringList({QStringLiteral("heading"), QStringLiteral("caption")}));
}

void UtteranceQueueTest::interruptCutsUnheldSpeechAndDropsWhatWaits()
{
    // Tabbing quickly: each caption replaces the one before.
    UtteranceQueue queue;
    queue.push(QStringLiteral("caption 1"));
    QCOMPARE(queue.takeNext(), std::optional(QStringLiteral("caption 1")));
    queue.push(QStringLiteral("caption 2"));
    QVERIFY(queue.interrupt());
    queue.push(QStringLiteral("caption 3"));
    QCOMPARE(drain(queue), QStringList{QStringLiteral("caption 3")});
}

void UtteranceQueueTest::holdCoversOnlyWhatIsAlreadyQueued()
{
    UtteranceQueue queue;
    queue.push(QStringLiteral("held"));
    queue.holdAll();
    queue.push(QStringLiteral("later"));
    QVERIFY(!queue.interrupt());
    QCOMPARE(drain(queue), QStringList{QStringLiteral("held")});
}

QTEST_GUILESS_MAIN(UtteranceQueueTest)
