#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

namespace rv::win32 {

// The speech control `Voice1`, whose operations are called by dispatch
// identifier (speech::VoiceOperation). Its calls are fire-and-forget: results
// are not looked at, and a failing call is passed over (the user is never
// shown a speech failure; the backup button keeps working).
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
