#include "threaded_speech_backend_test.h"
#include "qt/speech/text_to_speech_synthesizer.h"
#include "qt/speech/threaded_speech_backend.h"
#include "support/recording_synthesizer.h"

#include <QSemaphore>
#include <QTest>
#include <QTimer>

using namespace rv::ui;
using Status = ThreadedSpeechBackend::Status;

namespace {

// The speech thread answers within milliseconds; the margin is for a machine
// loaded by other test processes, where a miss would only be noise.
constexpr int kPatienceMs = 30000;

// Speaks each text until it is stopped, as a long text would, so that an
// interrupt meets it speaking however late the test thread gets to post it.
class EndlessSynthesizer final : public Synthesizer {
public:
    EndlessSynthesizer(std::shared_ptr<Transcript> transcript, SynthesizerIdle onIdle)
        : transcript_(std::move(transcript)), onIdle_(std::move(onIdle))
    {
    }
    void say(const QString& text) override { transcript_->add(text); }
    void stop() override
    {
        transcript_->add(QStringLiteral("(stop)"));
        QTimer::singleShot(0, onIdle_);
    }

private:
    std::shared_ptr<Transcript> transcript_;
    SynthesizerIdle onIdle_;
};

// An engine that does not come up until `started` is released, as
// speech-dispatcher does for seconds (or for ever, when its daemon hangs).
SynthesizerFactory slowEngine(std::shared_ptr<QSemaphore> started, std::shared_ptr<Transcript> transcript)
{
    return [started, transcript](SynthesizerIdle onIdle) -> rv::Result<std::unique_ptr<Synthesizer>, QString> {
        started->acquire();
        return instantEngine(transcript)(std::move(onIdle));
    };
}

SynthesizerFactory endlessEngine(std::shared_ptr<Transcript> transcript)
{
    return [transcript](SynthesizerIdle onIdle) {
        return rv::Result<std::unique_ptr<Synthesizer>, QString>::success(
            std::make_unique<EndlessSynthesizer>(transcript, std::move(onIdle)));
    };
}

} // namespace

void ThreadedSpeechBackendTest::operationsWaitInOrderForASlowEngine()
{
    auto started = std::make_shared<QSemaphore>();
    auto transcript = std::make_shared<Transcript>();
    ThreadedSpeechBackend backend(slowEngine(started, transcript));

    // The window opening: every call returns while the engine is still starting.
    backend.speak(QStringLiteral("heading"));
    backend.holdQueued();
    backend.interrupt();
    backend.speak(QStringLiteral("caption"));
    QCOMPARE(backend.status(), Status::Starting);
    QVERIFY(transcript->lines().isEmpty());

    started->release();
    QTRY_COMPARE_WITH_TIMEOUT(transcript->lines(), QStringList({QStringLiteral("heading"), QStringLiteral("caption")}),
                              kPatienceMs);
    QCOMPARE(backend.status(), Status::Ready);
}

void ThreadedSpeechBackendTest::interruptStopsUnheldSpeech()
{
    auto transcript = std::make_shared<Transcript>();
    ThreadedSpeechBackend backend(endlessEngine(transcript));
    QTRY_COMPARE_WITH_TIMEOUT(backend.status(), Status::Ready, kPatienceMs);

    // The interrupt reaches the engine while the first text is being spoken.
    backend.speak(QStringLiteral("caption 1"));
    backend.interrupt();
    backend.speak(QStringLiteral("caption 2"));
    QTRY_COMPARE_WITH_TIMEOUT(
        transcript->lines(),
        QStringList({QStringLiteral("caption 1"), QStringLiteral("(stop)"), QStringLiteral("caption 2")}), kPatienceMs);
}

void ThreadedSpeechBackendTest::missingEngineDropsSpeechQuietly()
{
    ThreadedSpeechBackend backend(
        textToSpeechSynthesizer(QStringLiteral("no-such-engine"), QLocale(QLocale::Japanese, QLocale::Japan)));
    backend.speak(QStringLiteral("heading"));
    backend.holdQueued();
    backend.interrupt();
    QTRY_COMPARE_WITH_TIMEOUT(backend.status(), Status::Failed, kPatienceMs);
    // Calls after the failure are dropped the same way.
    backend.speak(QStringLiteral("caption"));
}

void ThreadedSpeechBackendTest::hungEngineDoesNotHoldUpClosing()
{
    auto started = std::make_shared<QSemaphore>();
    auto transcript = std::make_shared<Transcript>();
    {
        ThreadedSpeechBackend backend(slowEngine(started, transcript));
        backend.speak(QStringLiteral("heading"));
    }
    // The engine comes up after its owner is gone: it must find nothing
    // to speak and nothing freed under it.
    started->release();
    QTest::qWait(200);
    QVERIFY(transcript->lines().isEmpty());
}

QTEST_GUILESS_MAIN(ThreadedSpeechBackendTest)
