#pragma once

#include "qt/speech/calling_convention.h"

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <cstdint>
#include <memory>
#include <string_view>

namespace rv::ui {

// One function of a speech library that is loaded at run time by its file
// name, from the program folder first and then through the platform's usual
// library search. The library is looked up at the first call and kept loaded
// once found; while it is missing (or lacks the function) every call looks
// again. Every failure is passed over: logged under rv.speech, never shown.
class SpeechLibrary {
public:
    SpeechLibrary(QString programFolder, QString fileName, QByteArray functionName);

    // Hands a NUL-terminated copy of the CP932 bytes and the argument to the
    // function; its result means nothing to the program. `text` is the same
    // text in Unicode, for the log.
    void send(std::string_view cp932Text, std::int32_t argument, const QString& text);
    // The text could not be sent (it has no CP932 form): logged, as a call
    // would have been.
    void passOver(const QString& text, const QString& reason);

private:
    using Function = int(RV_STDCALL*)(const char* text, std::int32_t argument);

    Function lookUp();
    Function loadFrom(const QString& location);

    QString programFolder_;
    QString fileName_;
    QByteArray functionName_;
    std::unique_ptr<QLibrary> library_;
    Function function_ = nullptr;
};

} // namespace rv::ui
