#pragma once

#include "common/result.h"

#include <QString>

#include <functional>
#include <memory>

namespace rv::ui {

// A speech engine that speaks one text at a time. Lives on the speech
// thread and is only ever called there.
class Synthesizer {
public:
    virtual ~Synthesizer() = default;
    virtual void say(const QString& text) = 0;
    virtual void stop() = 0;
};

// Called when the text handed to say() has been spoken to its end.
using SynthesizerIdle = std::function<void()>;

// Starts an engine; may take seconds (it runs on the speech thread). The
// error says why no engine could be had.
using SynthesizerFactory = std::function<Result<std::unique_ptr<Synthesizer>, QString>(SynthesizerIdle onIdle)>;

} // namespace rv::ui
