#pragma once

#include "qt/speech/synthesizer.h"

#include <QMutex>
#include <QStringList>
#include <QTimer>

#include <memory>

// What a synthesizer was asked to do, written on the speech thread and read
// by the test.
class Transcript {
public:
    void add(const QString& line)
    {
        QMutexLocker lock(&mutex_);
        lines_ << line;
    }
    QStringList lines() const
    {
        QMutexLocker lock(&mutex_);
        return lines_;
    }

private:
    mutable QMutex mutex_;
    QStringList lines_;
};

// Finishes each text as soon as the speech thread's event loop turns.
class InstantSynthesizer final : public rv::ui::Synthesizer {
public:
    InstantSynthesizer(std::shared_ptr<Transcript> transcript, rv::ui::SynthesizerIdle onIdle)
        : transcript_(std::move(transcript)), onIdle_(std::move(onIdle))
    {
    }
    void say(const QString& text) override
    {
        transcript_->add(text);
        QTimer::singleShot(0, onIdle_);
    }
    void stop() override { transcript_->add(QStringLiteral("(stop)")); }

private:
    std::shared_ptr<Transcript> transcript_;
    rv::ui::SynthesizerIdle onIdle_;
};

// An engine that starts at once and writes down what it is asked.
inline rv::ui::SynthesizerFactory instantEngine(std::shared_ptr<Transcript> transcript)
{
    return [transcript](rv::ui::SynthesizerIdle onIdle) {
        return rv::Result<std::unique_ptr<rv::ui::Synthesizer>, QString>::success(
            std::make_unique<InstantSynthesizer>(transcript, std::move(onIdle)));
    };
}
