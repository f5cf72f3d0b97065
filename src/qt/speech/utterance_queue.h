#pragma once

#include <QString>

#include <deque>
#include <optional>

namespace rv::ui {

// The order in which texts reach a synthesizer that speaks one text at a
// time, and which of them an interrupt may cut off.
class UtteranceQueue {
public:
    void push(const QString& text);
    void holdAll();
    // Drops the waiting texts that are not held. True when the text being
    // spoken is not held either: it is given up and the caller must stop it.
    [[nodiscard]] bool interrupt();
    // The synthesizer finished the text it was speaking.
    void finished();
    // The next text to hand to the synthesizer, when it is free and one waits.
    [[nodiscard]] std::optional<QString> takeNext();

private:
    struct Utterance {
        QString text;
        bool held = false;
    };
    std::optional<Utterance> speaking_;
    std::deque<Utterance> waiting_;
};

} // namespace rv::ui
