#include "qt/speech/threaded_speech_backend.h"

#include "qt/log_categories.h"
#include "qt/speech/utterance_queue.h"

#include <QThread>

namespace rv::ui {

namespace {

// How long closing the program waits for the speech thread. An engine still
// starting (or hung) is left behind rather than keeping the program alive.
constexpr int kShutdownGraceMs = 200;

} // namespace

// Lives on the speech thread; every member runs there.
class SpeechWorker final : public QObject {
public:
    explicit SpeechWorker(std::shared_ptr<ThreadedSpeechBackend::Shared> shared) : shared_(std::move(shared)) {}

    void start(const SynthesizerFactory& factory)
    {
        auto engine = factory([this] {
            queue_.finished();
            sayNext();
        });
        if (!engine) {
            qCWarning(lcSpeech).noquote() << "speech engine unavailable, speech is dropped:" << engine.error();
            shared_->status = ThreadedSpeechBackend::Status::Failed;
            return;
        }
        // An engine that took longer to start than the program ran is not used.
        if (shared_->closing)
            return;
        synthesizer_ = std::move(engine).value();
        shared_->status = ThreadedSpeechBackend::Status::Ready;
        sayNext();
    }

    void speak(const QString& text)
    {
        if (!synthesizer_)
            return;
        queue_.push(text);
        sayNext();
    }

    void interrupt()
    {
        if (!synthesizer_)
            return;
        if (queue_.interrupt())
            synthesizer_->stop();
        sayNext();
    }

    void holdQueued() { queue_.holdAll(); }

private:
    void sayNext()
    {
        if (auto text = queue_.takeNext())
            synthesizer_->say(*text);
    }

    std::shared_ptr<ThreadedSpeechBackend::Shared> shared_;
    std::unique_ptr<Synthesizer> synthesizer_;
    UtteranceQueue queue_;
};

ThreadedSpeechBackend::ThreadedSpeechBackend(SynthesizerFactory factory)
    : shared_(std::make_shared<Shared>()), thread_(new QThread), worker_(new SpeechWorker(shared_))
{
    thread_->setObjectName(QStringLiteral("speech"));
    // Frees a thread left behind at close once it does end (see below).
    QObject::connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    worker_->moveToThread(thread_);
    // Posted first, so every operation posted later waits behind it.
    QMetaObject::invokeMethod(
        worker_, [worker = worker_, factory = std::move(factory)] { worker->start(factory); }, Qt::QueuedConnection);
    thread_->start();
}

ThreadedSpeechBackend::~ThreadedSpeechBackend()
{
    shared_->closing = true;
    // The worker owns the engine, which must be destroyed on its own thread;
    // deferred deletes are carried out as the thread finishes.
    worker_->deleteLater();
    thread_->quit();
    if (thread_->wait(kShutdownGraceMs)) {
        delete thread_;
        return;
    }
    // Destroying a running QThread aborts the program; it is left to end on
    // its own (and then freed), or with the process.
    qCWarning(lcSpeech) << "speech engine still busy at exit; left behind";
}

void ThreadedSpeechBackend::speak(const QString& text)
{
    QMetaObject::invokeMethod(
        worker_, [worker = worker_, text] { worker->speak(text); }, Qt::QueuedConnection);
}

void ThreadedSpeechBackend::interrupt()
{
    QMetaObject::invokeMethod(
        worker_, [worker = worker_] { worker->interrupt(); }, Qt::QueuedConnection);
}

void ThreadedSpeechBackend::holdQueued()
{
    QMetaObject::invokeMethod(
        worker_, [worker = worker_] { worker->holdQueued(); }, Qt::QueuedConnection);
}

ThreadedSpeechBackend::Status ThreadedSpeechBackend::status() const { return shared_->status; }

} // namespace rv::ui
