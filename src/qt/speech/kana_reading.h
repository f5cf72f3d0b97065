#pragma once

#include "qt/speech/synthesizer.h"

namespace rv::ui {

// Hands the engine the kana reading of each text rather than its kanji,
// which espeak-ng (speech-dispatcher's Japanese voice) only names as
// "chinese letter": 終了 goes as シュウリョウ. The readings come from MeCab
// with the dictionary its own settings (mecabrc) name; a word it has no
// reading for keeps its spelling. Without MeCab's settings or dictionary the
// engine gets the text as written, which is logged once under rv.speech.
SynthesizerFactory speakingKanaReadings(SynthesizerFactory engine);

} // namespace rv::ui
