#include "qt/speech/utterance_queue.h"

#include <algorithm>

namespace rv::ui {

void UtteranceQueue::push(const QString& text) { waiting_.push_back({text, false}); }

void UtteranceQueue::holdAll()
{
    if (speaking_)
        speaking_->held = true;
    for (Utterance& utterance : waiting_)
        utterance.held = true;
}

bool UtteranceQueue::interrupt()
{
    std::erase_if(waiting_, [](const Utterance& utterance) { return !utterance.held; });
    if (!speaking_ || speaking_->held)
        return false;
    speaking_.reset();
    return true;
}

void UtteranceQueue::finished() { speaking_.reset(); }

std::optional<QString> UtteranceQueue::takeNext()
{
    if (speaking_ || waiting_.empty())
        return std::nullopt;
    speaking_ = std::move(waiting_.front());
    waiting_.pop_front();
    return speaking_->text;
}

} // namespace rv::ui
