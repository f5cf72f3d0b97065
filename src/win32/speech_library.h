#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace rv::win32 {

// One of the clinic's speech libraries (SOUNDP.DLL / SoundMessage,
// FocusTalkExt.DLL / FT_OutputVoiceText): a __stdcall function taking an
// ANSI (CP932) text and a 32-bit integer. Looked up on first use, in the
// program folder first, then through the system's usual library search
// without the current folder; once found it stays loaded, while missing (or
// without the function) every call looks again. Nothing about a missing
// library is ever shown.
class SpeechLibrary {
public:
    SpeechLibrary(std::wstring programFolder, std::wstring fileName, std::string functionName);
    SpeechLibrary(const SpeechLibrary&) = delete;
    SpeechLibrary& operator=(const SpeechLibrary&) = delete;
    ~SpeechLibrary();

    // Sends a NUL-terminated copy of the CP932 text, and the argument; false
    // when the library or its function could not be found (the caller goes
    // on regardless).
    bool say(std::string_view cp932Text, std::int32_t argument);

private:
    using SpeakFunction = int(__stdcall*)(const char* text, INT32 argument);

    bool lookUp();

    std::wstring programFolder_;
    std::wstring fileName_;
    std::string functionName_;
    HMODULE module_ = nullptr;
    SpeakFunction function_ = nullptr;
};

// Takes the current folder out of the process's library search, and only
// that (the program folder, searched first anyway, takes its place). Call
// once at start.
void restrictLibrarySearch(const std::wstring& programFolder);

} // namespace rv::win32
