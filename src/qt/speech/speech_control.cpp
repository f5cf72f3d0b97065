#include "qt/speech/speech_control.h"

#include "qt/log_categories.h"
#include "speech/speech_script.h"

namespace rv::ui {

namespace {

QString hexId(std::uint32_t dispatchId) { return QStringLiteral("0x%1").arg(dispatchId, 8, 16, QLatin1Char('0')); }

// Stands in when the control is given no back end: the calls are logged and
// go no further.
class NoSpeech final : public SpeechBackend {
public:
    void speak(const QString&) override {}
    void interrupt() override {}
    void holdQueued() override {}
};

} // namespace

SpeechControl::SpeechControl(std::shared_ptr<SpeechBackend> backend, QWidget* parent)
    : QWidget(parent), backend_(backend ? std::move(backend) : std::make_shared<NoSpeech>())
{
    setObjectName(QStringLiteral("Voice1"));
    setFixedSize(33, 32);
    // NoFocus also keeps it out of the tab chain and makes accessibility
    // report it as not focusable.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SpeechControl::invoke(std::uint32_t dispatchId, const QString& text)
{
    using speech::VoiceOperation;
    switch (dispatchId) {
    case speech::dispatchId(VoiceOperation::Speak):
        qCInfo(lcSpeech).noquote() << "Voice1" << hexId(dispatchId) << text;
        backend_->speak(text);
        return;
    case speech::dispatchId(VoiceOperation::BeforeSpeakingCaption):
        qCInfo(lcSpeech).noquote() << "Voice1" << hexId(dispatchId);
        backend_->interrupt();
        return;
    case speech::dispatchId(VoiceOperation::AfterSpeakingHeading):
        qCInfo(lcSpeech).noquote() << "Voice1" << hexId(dispatchId);
        backend_->holdQueued();
        return;
    }
    qCWarning(lcSpeech).noquote() << "Voice1" << hexId(dispatchId) << "is no operation of the control; ignored";
}

} // namespace rv::ui
