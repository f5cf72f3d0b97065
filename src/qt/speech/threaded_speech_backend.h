#pragma once

#include "qt/speech/speech_backend.h"
#include "qt/speech/synthesizer.h"

#include <atomic>
#include <memory>

class QThread;

namespace rv::ui {

class SpeechWorker;

// Runs a synthesizer on a thread of its own, so that an engine that is slow
// to start (speech-dispatcher takes seconds), hangs or fails never holds up
// the window. Operations made before the engine is ready wait, in their
// order, and are carried out once it is; if it cannot start they are
// dropped (logged under rv.speech).
class ThreadedSpeechBackend final : public SpeechBackend {
public:
    enum class Status { Starting, Ready, Failed };

    explicit ThreadedSpeechBackend(SynthesizerFactory factory);
    ~ThreadedSpeechBackend() override;
    ThreadedSpeechBackend(const ThreadedSpeechBackend&) = delete;
    ThreadedSpeechBackend& operator=(const ThreadedSpeechBackend&) = delete;

    void speak(const QString& text) override;
    void interrupt() override;
    void holdQueued() override;

    Status status() const;

    // Shared with the speech thread, which may outlive this object.
    struct Shared {
        std::atomic<Status> status{Status::Starting};
        std::atomic<bool> closing{false};
    };

private:
    std::shared_ptr<Shared> shared_;
    QThread* thread_;
    SpeechWorker* worker_;
};

} // namespace rv::ui
