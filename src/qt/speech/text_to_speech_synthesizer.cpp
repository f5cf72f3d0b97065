#include "qt/speech/text_to_speech_synthesizer.h"

#include "qt/log_categories.h"
#include "qt/speech/kana_reading.h"

#include <QTextToSpeech>

namespace rv::ui {

namespace {

class TextToSpeechSynthesizer final : public Synthesizer {
public:
    TextToSpeechSynthesizer(std::unique_ptr<QTextToSpeech> engine, SynthesizerIdle onIdle) : engine_(std::move(engine))
    {
        QObject::connect(engine_.get(), &QTextToSpeech::stateChanged, engine_.get(),
                         [this, onIdle = std::move(onIdle)](QTextToSpeech::State state) {
                             if (state == QTextToSpeech::Error)
                                 qCWarning(lcSpeech).noquote() << "speech engine error:" << engine_->errorString();
                             // An error ends the text as surely as its last word does.
                             if (state != QTextToSpeech::Speaking && busy_) {
                                 busy_ = false;
                                 onIdle();
                             }
                         });
    }

    void say(const QString& text) override
    {
        busy_ = true;
        // Compatibility forms let the synthesizer read fullwidth letters
        // ("ＲＶ" becomes "RV") instead of spelling out code points.
        engine_->say(text.normalized(QString::NormalizationForm_KC));
    }

    void stop() override
    {
        busy_ = false;
        engine_->stop();
    }

private:
    std::unique_ptr<QTextToSpeech> engine_;
    bool busy_ = false;
};

} // namespace

SynthesizerFactory textToSpeechSynthesizer(const QString& engineName, const QLocale& locale)
{
    return [engineName, locale](SynthesizerIdle onIdle) -> Result<std::unique_ptr<Synthesizer>, QString> {
        if (!QTextToSpeech::availableEngines().contains(engineName))
            return Result<std::unique_ptr<Synthesizer>, QString>::failure(
                QStringLiteral("no text-to-speech engine \"%1\"").arg(engineName));
        auto engine = std::make_unique<QTextToSpeech>(engineName);
        if (engine->state() == QTextToSpeech::Error)
            return Result<std::unique_ptr<Synthesizer>, QString>::failure(
                QStringLiteral("engine \"%1\" failed to start: %2").arg(engineName, engine->errorString()));
        engine->setLocale(locale);
        return Result<std::unique_ptr<Synthesizer>, QString>::success(
            std::make_unique<TextToSpeechSynthesizer>(std::move(engine), std::move(onIdle)));
    };
}

SynthesizerFactory programSynthesizer()
{
    return speakingKanaReadings(
        textToSpeechSynthesizer(QStringLiteral("speechd"), QLocale(QLocale::Japanese, QLocale::Japan)));
}

} // namespace rv::ui
