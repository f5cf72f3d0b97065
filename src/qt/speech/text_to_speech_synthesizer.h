#pragma once

#include "qt/speech/synthesizer.h"

#include <QLocale>

namespace rv::ui {

// Qt TextToSpeech with the engine named explicitly (the order in which Qt
// lists its engines is not stable) and the given locale.
SynthesizerFactory textToSpeechSynthesizer(const QString& engineName, const QLocale& locale);

// The engine of the program: speech-dispatcher, Japanese, given kana
// readings.
SynthesizerFactory programSynthesizer();

} // namespace rv::ui
