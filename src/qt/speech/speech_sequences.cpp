#include "qt/speech/speech_sequences.h"

#include "qt/speech/speech_control.h"

namespace rv::ui {

FocusSpeechLibraries::FocusSpeechLibraries(const QString& programFolder)
    : soundMessage(programFolder, QStringLiteral("SOUNDP.DLL"), "SoundMessage"),
      outputVoiceText(programFolder, QStringLiteral("FocusTalkExt.DLL"), "FT_OutputVoiceText")
{
}

void speakOnLoad(SpeechControl& voice, const QString& heading)
{
    voice.invoke(voice_dispatch::kSpeak, heading);
    voice.invoke(voice_dispatch::kHoldQueued);
}

void speakOnFocus(SpeechControl& voice, FocusSpeechLibraries& libraries, const QString& caption)
{
    voice.invoke(voice_dispatch::kInterrupt);
    voice.invoke(voice_dispatch::kSpeak, caption);
    libraries.soundMessage.send(caption);
    libraries.outputVoiceText.send(caption);
}

} // namespace rv::ui
