#pragma once

#include <windows.h>

#include <string>

namespace rv::win32 {

// One of the clinic's speech libraries (SOUNDP.DLL / SoundMessage,
// FocusTalkExt.DLL / FT_OutputVoiceText): a __stdcall function taking an
// ANSI (CP932) text and the 32-bit integer 2. Looked up on first use, from
// the program folder first, then the system's safe search; once found it
// stays loaded, while missing (or without the function) every call looks
// again. Nothing about a missing library is ever shown.
class SpeechLibrary {
public:
    SpeechLibrary(std::wstring programFolder, const wchar_t* fileName, const char* functionName);
    SpeechLibrary(const SpeechLibrary&) = delete;
    SpeechLibrary& operator=(const SpeechLibrary&) = delete;
    ~SpeechLibrary();

    // Sends the NUL-terminated CP932 text; false when the library or its
    // function could not be found (the caller goes on regardless).
    bool say(const std::string& cp932Text);

private:
    using SpeakFunction = int(__stdcall*)(const char* text, INT32 mode);

    bool lookUp();

    std::wstring programFolder_;
    const wchar_t* fileName_;
    const char* functionName_;
    HMODULE module_ = nullptr;
    SpeakFunction function_ = nullptr;
};

// Takes the current folder out of the process's library search. Call once
// at start.
void restrictLibrarySearch();

} // namespace rv::win32
