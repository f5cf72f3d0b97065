#include "qt/speech/program_speech.h"

#include "qt/speech/text_to_speech_synthesizer.h"
#include "qt/speech/threaded_speech_backend.h"

namespace rv::ui {

std::shared_ptr<SpeechBackend> programSpeechBackend()
{
    // Weak, so the engine ends with its last holder, inside the application's
    // lifetime, and not among static destructors.
    static std::weak_ptr<SpeechBackend> current;
    if (auto backend = current.lock())
        return backend;
    auto backend = std::make_shared<ThreadedSpeechBackend>(programSynthesizer());
    current = backend;
    return backend;
}

} // namespace rv::ui
