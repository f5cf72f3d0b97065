#pragma once

#include "qt/speech/calling_convention.h"

#include <QByteArray>
#include <QLibrary>
#include <QString>

#include <cstdint>
#include <memory>

namespace rv::ui {

// One function of a speech library that is loaded at run time by its file
// name, from the program folder first and then through the platform's usual
// library search. The library is looked up at the first call and kept loaded
// once found; while it is missing (or lacks the function) every call looks
// again. Every failure is passed over: logged under rv.speech, never shown.
class SpeechLibrary {
public:
    SpeechLibrary(QString programFolder, QString fileName, QByteArray functionName);

    // Hands the text, in CP932 and NUL-terminated, and the value 2 to the
    // function; its result means nothing to the program.
    void send(const QString& text);

private:
    using Function = int(RV_STDCALL*)(const char* text, std::int32_t mode);

    Function lookUp();
    Function loadFrom(const QString& location);

    QString programFolder_;
    QString fileName_;
    QByteArray functionName_;
    std::unique_ptr<QLibrary> library_;
    Function function_ = nullptr;
};

} // namespace rv::ui
