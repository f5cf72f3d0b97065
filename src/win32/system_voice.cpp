#include "win32/system_voice.h"

#include "speech/speech_script.h"
#include "win32/com_ref.h"

#include <initguid.h> // defines the SAPI identifiers below in this file

#include <sapi.h>

#include <algorithm>
#include <utility>

namespace rv::win32 {
namespace {

constexpr DISPID dispatchIdOf(speech::VoiceOperation operation)
{
    return static_cast<DISPID>(speech::dispatchId(operation));
}

// One SAPI voice object. Voices of normal priority speak one after another
// in the order of their Speak calls, and a purge stops only its own voice.
class SapiQueue final : public SpeechQueue {
public:
    explicit SapiQueue(ComRef<ISpVoice> voice) : voice_(std::move(voice)) {}

    void speak(const std::wstring& text) override
    {
        (void)voice_->Speak(text.c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr);
    }

    void purge() override { (void)voice_->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr); }

    bool isDone() const override
    {
        SPVOICESTATUS status{};
        return FAILED(voice_->GetStatus(&status, nullptr)) || status.dwRunningState == SPRS_DONE;
    }

private:
    ComRef<ISpVoice> voice_;
};

} // namespace

SystemVoice::SystemVoice(std::unique_ptr<SpeechQueue> first, SpeechQueueFactory makeQueue)
    : makeQueue_(std::move(makeQueue)), current_(std::move(first))
{
}

void SystemVoice::invoke(DISPID operation)
{
    if (operation == dispatchIdOf(speech::VoiceOperation::BeforeSpeakingCaption)) {
        current_->purge();
    } else if (operation == dispatchIdOf(speech::VoiceOperation::AfterSpeakingHeading)) {
        holdQueued();
    }
}

void SystemVoice::invoke(DISPID operation, std::wstring_view text)
{
    if (operation == dispatchIdOf(speech::VoiceOperation::Speak)) {
        current_->speak(std::wstring(text));
        givenSinceHold_ = true;
    }
}

void SystemVoice::holdQueued()
{
    if (!givenSinceHold_) {
        return;
    }
    auto next = makeQueue_();
    if (!next) {
        return; // no queue to move on to: what is queued stays where a stop reaches it
    }
    std::erase_if(held_, [](const std::unique_ptr<SpeechQueue>& queue) { return queue->isDone(); });
    held_.push_back(std::exchange(current_, std::move(next)));
    givenSinceHold_ = false;
}

std::unique_ptr<SpeechQueue> makeSystemSpeechQueue()
{
    ComRef<ISpVoice> voice;
    if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, voice.outVoid()))) {
        return nullptr;
    }
    return std::make_unique<SapiQueue>(std::move(voice));
}

} // namespace rv::win32
