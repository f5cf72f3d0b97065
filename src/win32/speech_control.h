#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

namespace rv::win32 {

// Operations of the speech control `Voice1`, by dispatch identifier.
inline constexpr DISPID kVoiceSpeak = 0x60030002;       // one string argument: the text to speak
inline constexpr DISPID kVoiceBeforeSpeak = 0x60030003; // no arguments; sent before the caption is spoken
inline constexpr DISPID kVoiceAfterSpeak = 0x6003000a;  // no arguments; sent after the heading is spoken

// The speech control `Voice1`. Its calls are fire-and-forget: results are
// not looked at, and a failing call is passed over (the user is never shown
// a speech failure; the backup button keeps working).
class SpeechControl {
public:
    virtual ~SpeechControl() = default;
    virtual void invoke(DISPID operation) = 0;
    virtual void invoke(DISPID operation, std::wstring_view text) = 0;
    // Which back end answers, for the log and the tests.
    virtual const wchar_t* backEnd() const = 0;
};

// The automation object "KsOCX.Voice" where it is registered; otherwise the
// system voice (SAPI); failing that, silence. COM must be initialised on the
// calling thread.
std::unique_ptr<SpeechControl> createSpeechControl();

} // namespace rv::win32
