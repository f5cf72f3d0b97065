#pragma once

#include "win32/speech_control.h"
#include "win32/speech_library.h"

#include <memory>
#include <string>
#include <string_view>

namespace rv::win32 {

// What the main window says and through which channels: the heading through
// the speech control when the window loads; the backup button's caption
// through the control and both speech libraries whenever the button takes
// the focus.
class SpeechOutput {
public:
    SpeechOutput(std::unique_ptr<SpeechControl> voice, const std::wstring& programFolder);

    // Load sequence: speak, then 0x6003000a. Neither library is called.
    void speakHeading(std::wstring_view heading);
    // Focus sequence: 0x60030003, speak, SoundMessage, FT_OutputVoiceText;
    // each library step is tried whatever became of the one before.
    void speakFocusedCaption(std::wstring_view caption);

    const SpeechControl& voice() const { return *voice_; }

private:
    void sayThroughLibrary(SpeechLibrary& library, const wchar_t* name, const std::string& cp932Text);

    std::unique_ptr<SpeechControl> voice_;
    SpeechLibrary soundMessage_;
    SpeechLibrary focusTalk_;
};

} // namespace rv::win32
