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
    // The program folder first, by full path; the library's own helper
    // libraries are then looked for beside it before anywhere else.
    module_ = LoadLibraryExW(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module_) {
        // Then the system's usual search: the program's folder, the system
        // folders, the Windows folder and PATH, but not the current folder
        // (restrictLibrarySearch), where a document's folder could hold a
        // library of that name.
        module_ = LoadLibraryW(fileName_.c_str());
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

void restrictLibrarySearch(const std::wstring& programFolder)
{
    // A library folder of the program's own takes the current folder's place
    // in every later search by file name and leaves the rest of it (PATH
    // among it) as it is. An empty one would do on Windows, not under wine.
    SetDllDirectoryW(programFolder.c_str());
}

} // namespace rv::win32
