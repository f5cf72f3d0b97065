#pragma once

#include "qt/speech/speech_backend.h"

#include <QWidget>

#include <cstdint>
#include <memory>

namespace rv::ui {

// Dispatch identifiers of the speech control's operations.
namespace voice_dispatch {
inline constexpr std::uint32_t kSpeak = 0x60030002;      // one argument: the text
inline constexpr std::uint32_t kInterrupt = 0x60030003;  // SpeechBackend::interrupt
inline constexpr std::uint32_t kHoldQueued = 0x6003000a; // SpeechBackend::holdQueued
} // namespace voice_dispatch

// The speech control `Voice1`: a component of the main window that draws
// nothing, takes no focus and whose operations are called by dispatch
// identifier. Calls never fail towards the caller; each is logged under
// rv.speech. Without a back end the calls are only logged.
class SpeechControl final : public QWidget {
public:
    SpeechControl(std::shared_ptr<SpeechBackend> backend, QWidget* parent = nullptr);

    void invoke(std::uint32_t dispatchId, const QString& text = QString());

private:
    std::shared_ptr<SpeechBackend> backend_;
};

} // namespace rv::ui
