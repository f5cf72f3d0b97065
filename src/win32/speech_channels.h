#pragma once

#include "speech/speech_script.h"
#include "win32/speech_control.h"
#include "win32/speech_library.h"

#include <memory>
#include <string>
#include <vector>

namespace rv::win32 {

// The main window's three speech channels, over which the core's speech
// sequences run: the speech control `Voice1` and the two speech libraries,
// looked for in the program folder first.
class WindowSpeechChannels final : public speech::SpeechChannels {
public:
    WindowSpeechChannels(std::unique_ptr<SpeechControl> voice, const std::wstring& programFolder);

    void callControl(speech::VoiceOperation operation) override;
    void callControl(speech::VoiceOperation operation, std::string_view text) override;
    void callLibrary(const speech::LibraryCall& call) override;
    void textNotSentToLibraries(std::string_view text, std::string_view reason) override;

    const SpeechControl& voice() const { return *voice_; }

private:
    struct Library {
        speech::SpeechLibraryName name;
        std::unique_ptr<SpeechLibrary> library;
    };

    std::unique_ptr<SpeechControl> voice_;
    std::vector<Library> libraries_; // one for each of speech::kSpeechLibraries
};

} // namespace rv::win32
