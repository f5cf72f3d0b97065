#include "win32/speech_output.h"

#include "platform/text_codec.h"
#include "win32/debug_log.h"
#include "win32/wide_text.h"

namespace rv::win32 {

SpeechOutput::SpeechOutput(std::unique_ptr<SpeechControl> voice, const std::wstring& programFolder)
    : voice_(std::move(voice)), soundMessage_(programFolder, L"SOUNDP.DLL", "SoundMessage"),
      focusTalk_(programFolder, L"FocusTalkExt.DLL", "FT_OutputVoiceText")
{
    logLine(L"rv.speech", std::wstring(L"speech control: ") + voice_->backEnd());
}

void SpeechOutput::speakHeading(std::wstring_view heading)
{
    voice_->invoke(kVoiceSpeak, heading);
    voice_->invoke(kVoiceAfterSpeak);
}

void SpeechOutput::speakFocusedCaption(std::wstring_view caption)
{
    voice_->invoke(kVoiceBeforeSpeak);
    voice_->invoke(kVoiceSpeak, caption);
    // The libraries take the system's ANSI code page, CP932, as the clinics' systems use.
    auto cp932 = platform::encodeCp932(narrow(caption));
    if (!cp932.ok()) {
        logLine(L"rv.speech", L"caption not sent to the libraries: " + widen(cp932.error()));
        return;
    }
    sayThroughLibrary(soundMessage_, L"SoundMessage", cp932.value());
    sayThroughLibrary(focusTalk_, L"FT_OutputVoiceText", cp932.value());
}

void SpeechOutput::sayThroughLibrary(SpeechLibrary& library, const wchar_t* name, const std::string& cp932Text)
{
    const bool found = library.say(cp932Text);
    logLine(L"rv.speech", std::wstring(name) + (found ? L": sent" : L": library or function not found, skipped"));
}

} // namespace rv::win32
