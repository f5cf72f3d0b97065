#include "win32/speech_channels.h"

#include "win32/debug_log.h"
#include "win32/wide_text.h"

namespace rv::win32 {
namespace {

DISPID dispatchIdOf(speech::VoiceOperation operation) { return static_cast<DISPID>(speech::dispatchId(operation)); }

} // namespace

WindowSpeechChannels::WindowSpeechChannels(std::unique_ptr<SpeechControl> voice, const std::wstring& programFolder)
    : voice_(std::move(voice))
{
    for (const speech::SpeechLibraryName& name : speech::kSpeechLibraries) {
        libraries_.push_back(
            {name, std::make_unique<SpeechLibrary>(programFolder, widen(name.fileName), std::string(name.function))});
    }
    logLine(L"rv.speech", std::wstring(L"speech control: ") + voice_->backEnd());
}

void WindowSpeechChannels::callControl(speech::VoiceOperation operation) { voice_->invoke(dispatchIdOf(operation)); }

void WindowSpeechChannels::callControl(speech::VoiceOperation operation, std::string_view text)
{
    voice_->invoke(dispatchIdOf(operation), widen(text));
}

void WindowSpeechChannels::callLibrary(const speech::LibraryCall& call)
{
    for (Library& library : libraries_) {
        if (library.name == call.library) {
            const bool found = library.library->say(call.cp932Text, call.argument);
            logLine(L"rv.speech",
                    widen(call.library.function) + (found ? L": sent" : L": library or function not found, skipped"));
        }
    }
}

void WindowSpeechChannels::textNotSentToLibraries(std::string_view, std::string_view reason)
{
    logLine(L"rv.speech", L"caption not sent to the libraries: " + widen(reason));
}

} // namespace rv::win32
