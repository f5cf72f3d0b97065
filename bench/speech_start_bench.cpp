// How long the program's speech engine takes to start, and that calls made
// meanwhile return at once. Prints its figures; run by hand:
//   build/bench/speech_start_bench
#include "qt/speech/text_to_speech_synthesizer.h"
#include "qt/speech/threaded_speech_backend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <cstdio>

using rv::ui::ThreadedSpeechBackend;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QElapsedTimer sinceStart;
    sinceStart.start();

    ThreadedSpeechBackend backend(rv::ui::programSynthesizer());
    const double constructed = sinceStart.nsecsElapsed() / 1e6;

    // The window opening: the load sequence, then the focus sequence.
    QElapsedTimer calls;
    calls.start();
    backend.speak(QStringLiteral("ＲＶシステムのデータバックアップ"));
    backend.holdQueued();
    backend.interrupt();
    backend.speak(QStringLiteral("データバックアップ"));
    const double callsMs = calls.nsecsElapsed() / 1e6;

    using Status = ThreadedSpeechBackend::Status;
    const bool settled = QTest::qWaitFor([&] { return backend.status() != Status::Starting; }, 15000);
    const char* outcome = "still starting after 15 s";
    if (settled)
        outcome = backend.status() == Status::Ready ? "ready" : "failed";
    std::printf("speech back end constructed in %.3f ms\n", constructed);
    std::printf("four calls while the engine starts returned in %.3f ms\n", callsMs);
    std::printf("engine %s after %.0f ms\n", outcome, sinceStart.nsecsElapsed() / 1e6);
    return 0;
}
