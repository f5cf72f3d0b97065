#pragma once

#include "win32/speech_control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rv::win32 {

// One queue of the system's speech: texts spoken in turn, without waiting.
// The system speaks the queues one after another, in the order they were
// given their texts.
class SpeechQueue {
public:
    virtual ~SpeechQueue() = default;
    virtual void speak(const std::wstring& text) = 0;
    // Stops what this queue is saying and drops what it has yet to say;
    // other queues go on.
    virtual void purge() = 0;
    // Everything it was given has been said or dropped.
    virtual bool isDone() const = 0;
};

using SpeechQueueFactory = std::function<std::unique_ptr<SpeechQueue>()>;

// The speech control's stand-in when the clinic's control is not installed.
// Speak queues the text. The operation before the button's caption stops
// what is still being said, so that moving the focus quickly announces
// where it is now, not where it was. The operation after the heading holds
// what was queued: it goes on in a queue of its own that no later stop
// reaches, so the heading is spoken whole even though the caption follows
// at once, and the caption after it.
class SystemVoice final : public SpeechControl {
public:
    SystemVoice(std::unique_ptr<SpeechQueue> first, SpeechQueueFactory makeQueue);

    void invoke(DISPID operation) override;
    void invoke(DISPID operation, std::wstring_view text) override;
    const wchar_t* backEnd() const override { return L"SAPI"; }

private:
    void holdQueued();

    SpeechQueueFactory makeQueue_;
    std::unique_ptr<SpeechQueue> current_;           // where texts go, and what a stop reaches
    std::vector<std::unique_ptr<SpeechQueue>> held_; // kept until they have been said
    bool givenSinceHold_ = false;
};

// A queue of the system voice (SAPI), or nothing where there is none. COM
// must be initialised on the calling thread.
std::unique_ptr<SpeechQueue> makeSystemSpeechQueue();

} // namespace rv::win32
