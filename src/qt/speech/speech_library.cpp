#include "qt/speech/speech_library.h"

#include "qt/log_categories.h"

#include <QDir>

#include <string>

namespace rv::ui {

SpeechLibrary::SpeechLibrary(QString programFolder, QString fileName, QByteArray functionName)
    : programFolder_(std::move(programFolder)), fileName_(std::move(fileName)), functionName_(std::move(functionName))
{
}

void SpeechLibrary::send(std::string_view cp932Text, std::int32_t argument, const QString& text)
{
    const Function function = lookUp();
    if (!function) {
        qCInfo(lcSpeech).noquote() << fileName_ << functionName_ << text << "library or function not found; skipped";
        return;
    }
    qCInfo(lcSpeech).noquote() << fileName_ << functionName_ << text << "library found";
    // A temporary copy that lives for the call; std::string ends in a NUL.
    const std::string bytes(cp932Text);
    try {
        function(bytes.c_str(), argument);
    } catch (...) {
        // A library written in C++ may let an exception out; it fails this
        // step only.
        qCInfo(lcSpeech).noquote() << fileName_ << functionName_ << "raised an exception; skipped";
    }
}

void SpeechLibrary::passOver(const QString& text, const QString& reason)
{
    if (!lookUp()) {
        qCInfo(lcSpeech).noquote() << fileName_ << functionName_ << text << "library or function not found; skipped";
        return;
    }
    qCInfo(lcSpeech).noquote() << fileName_ << functionName_ << text << "library found; text has no CP932 form ("
                               << reason << "); skipped";
}

SpeechLibrary::Function SpeechLibrary::lookUp()
{
    if (!function_) {
        function_ = loadFrom(QDir(programFolder_).filePath(fileName_));
        if (!function_)
            function_ = loadFrom(fileName_);
    }
    return function_;
}

SpeechLibrary::Function SpeechLibrary::loadFrom(const QString& location)
{
    auto library = std::make_unique<QLibrary>(location);
    if (!library->load())
        return nullptr;
    auto function = reinterpret_cast<Function>(library->resolve(functionName_.constData()));
    if (!function) {
        library->unload();
        return nullptr;
    }
    library_ = std::move(library);
    return function;
}

} // namespace rv::ui
