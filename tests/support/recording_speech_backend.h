#pragma once

#include "qt/speech/speech_backend.h"

#include <QStringList>

#include <functional>

// Stands behind the speech control in tests: writes down each operation, and
// hands the line to `also` (a journal shared with the stand-in libraries).
class RecordingSpeechBackend final : public rv::ui::SpeechBackend {
public:
    explicit RecordingSpeechBackend(std::function<void(const QString&)> also = {}) : also_(std::move(also)) {}

    void speak(const QString& text) override { record(QStringLiteral("speak ") + text); }
    void interrupt() override { record(QStringLiteral("interrupt")); }
    void holdQueued() override { record(QStringLiteral("hold")); }

    QStringList calls;

private:
    void record(const QString& line)
    {
        calls << line;
        if (also_)
            also_(line);
    }

    std::function<void(const QString&)> also_;
};
