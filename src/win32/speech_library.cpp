#include "win32/speech_library.h"

#include <utility>

namespace rv::win32 {

SpeechLibrary::SpeechLibrary(std::wstring programFolder, std::wstring fileName, std::string functionName)
    : programFolder_(std::move(programFolder)), fileName_(std::move(fileName)), functionName_(std::move(functionName))
{
}

SpeechLibrary::~SpeechLibrary()
{
    if (module_) {
        FreeLibrary(module_);
    }
}

bool SpeechLibrary::lookUp()
{
    std::wstring fullPath = programFolder_;
    if (!fullPath.empty() && fullPath.back() != L'\\') {
        fullPath += L'\\';
    }
    fullPath += fileName_;
    module_ = LoadLibraryW(fullPath.c_str());
    if (!module_) {
        // The program folder and the system folders only: never the current
        // folder or PATH, where anyone could have put a library of that name.
        module_ = LoadLibraryExW(fileName_.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    }
    if (!module_) {
        return false;
    }
    function_ =
        reinterpret_cast<SpeakFunction>(reinterpret_cast<void*>(GetProcAddress(module_, functionName_.c_str())));
    if (!function_) {
        // A library without the function counts as missing: look again next time.
        FreeLibrary(module_);
        module_ = nullptr;
        return false;
    }
    return true;
}

bool SpeechLibrary::say(std::string_view cp932Text, std::int32_t argument)
{
    if (!function_ && !lookUp()) {
        return false;
    }
    // A copy that lives for the call: the library gets a pointer it may not keep.
    const std::string temporary(cp932Text);
    (void)function_(temporary.c_str(), argument);
    return true;
}

void restrictLibrarySearch()
{
    // Looked up at run time: the call exists from Windows 7 with KB2533623 on.
    using SetDirectories = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDirectories =
        reinterpret_cast<SetDirectories>(reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDirectories) {
        setDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    } else {
        SetDllDirectoryW(L""); // at least drop the current folder from the search
    }
}

} // namespace rv::win32
