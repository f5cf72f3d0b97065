#pragma once

#include <QString>

namespace rv::ui {

// What stands behind the speech control: the three operations it offers.
// Every call returns at once; speech happens later, or not at all, and no
// caller ever learns which.
class SpeechBackend {
public:
    virtual ~SpeechBackend() = default;

    // Queues the text behind whatever is still to be spoken.
    virtual void speak(const QString& text) = 0;
    // Cuts off speech in progress and drops queued text, so that what is
    // said next is not heard behind stale text. Held text is spared.
    virtual void interrupt() = 0;
    // Holds everything queued so far: it is spoken to its end even when an
    // interrupt follows (the heading at load is not cut off by the button's
    // caption spoken right after it).
    virtual void holdQueued() = 0;
};

} // namespace rv::ui
