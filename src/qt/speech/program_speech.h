#pragma once

#include "qt/speech/speech_backend.h"

#include <memory>

namespace rv::ui {

// The program's one speech engine, started on the first call. Ask for it
// early (before the splash pause) so that the seconds the engine needs to
// start pass while the splash shows; it lives while anyone holds it.
std::shared_ptr<SpeechBackend> programSpeechBackend();

} // namespace rv::ui
