#include "qt/speech/speech_channels.h"

#include "qt/speech/speech_control.h"

namespace rv::ui {

namespace {

QString unicode(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QByteArray bytes(std::string_view text) { return QByteArray(text.data(), static_cast<qsizetype>(text.size())); }

} // namespace

WindowSpeechChannels::WindowSpeechChannels(SpeechControl& voice, const QString& programFolder) : voice_(voice)
{
    libraries_.reserve(speech::kSpeechLibraries.size());
    for (const speech::SpeechLibraryName& name : speech::kSpeechLibraries) {
        libraries_.push_back({name, SpeechLibrary(programFolder, unicode(name.fileName), bytes(name.function))});
    }
}

void WindowSpeechChannels::callControl(speech::VoiceOperation operation)
{
    voice_.invoke(speech::dispatchId(operation));
}

void WindowSpeechChannels::callControl(speech::VoiceOperation operation, std::string_view text)
{
    voice_.invoke(speech::dispatchId(operation), unicode(text));
}

void WindowSpeechChannels::callLibrary(const speech::LibraryCall& call)
{
    for (Library& library : libraries_) {
        if (library.name == call.library) {
            library.library.send(call.cp932Text, call.argument, unicode(call.text));
        }
    }
}

void WindowSpeechChannels::textNotSentToLibraries(std::string_view text, std::string_view reason)
{
    for (Library& library : libraries_) {
        library.library.passOver(unicode(text), unicode(reason));
    }
}

} // namespace rv::ui
