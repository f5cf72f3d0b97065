#pragma once

#include "qt/speech/speech_library.h"

namespace rv::ui {

class SpeechControl;

// The two speech libraries that the backup button's caption is sent to.
struct FocusSpeechLibraries {
    explicit FocusSpeechLibraries(const QString& programFolder);

    SpeechLibrary soundMessage;
    SpeechLibrary outputVoiceText;
};

// As the main window loads: the heading, through the speech control only.
void speakOnLoad(SpeechControl& voice, const QString& heading);

// Each time the backup button takes the focus: the control first, then both
// libraries, each of which may be missing or fail without stopping the rest.
void speakOnFocus(SpeechControl& voice, FocusSpeechLibraries& libraries, const QString& caption);

} // namespace rv::ui
