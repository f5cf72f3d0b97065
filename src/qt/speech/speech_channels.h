#pragma once

#include "qt/speech/speech_library.h"
#include "speech/speech_script.h"

#include <QString>

#include <vector>

namespace rv::ui {

class SpeechControl;

// The main window's three speech channels, over which the core's speech
// sequences run: the speech control `Voice1` and the two speech libraries,
// looked for in the program folder first.
class WindowSpeechChannels final : public speech::SpeechChannels {
public:
    WindowSpeechChannels(SpeechControl& voice, const QString& programFolder);

    void callControl(speech::VoiceOperation operation) override;
    void callControl(speech::VoiceOperation operation, std::string_view text) override;
    void callLibrary(const speech::LibraryCall& call) override;
    void textNotSentToLibraries(std::string_view text, std::string_view reason) override;

private:
    struct Library {
        speech::SpeechLibraryName name;
        SpeechLibrary library;
    };

    SpeechControl& voice_;
    std::vector<Library> libraries_; // one for each of speech::kSpeechLibraries
};

} // namespace rv::ui
