#pragma once

#include "qt/speech/speech_backend.h"

#include <QWidget>

#include <cstdint>
#include <memory>

namespace rv::ui {

// The speech control `Voice1`: a component of the main window that draws
// nothing, takes no focus and whose operations are called by dispatch
// identifier (speech::VoiceOperation): Speak speaks, BeforeSpeakingCaption
// interrupts, AfterSpeakingHeading holds what is queued (SpeechBackend).
// Calls never fail towards the caller; each is logged under rv.speech.
// Without a back end the calls are only logged.
class SpeechControl final : public QWidget {
public:
    SpeechControl(std::shared_ptr<SpeechBackend> backend, QWidget* parent = nullptr);

    void invoke(std::uint32_t dispatchId, const QString& text = QString());

private:
    std::shared_ptr<SpeechBackend> backend_;
};

} // namespace rv::ui
