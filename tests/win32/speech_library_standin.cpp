// Stand-in for SOUNDP.DLL / FocusTalkExt.DLL: records the exact bytes it was
// given (up to and including the terminating NUL) and the integer, e.g.
//   SoundMessage 83 66 81 5B ... 83 76 00 | 2
// RV_STANDIN_FUNCTION names the export; the variant built without it has an
// unrelated export, as a library of the right name but the wrong kind. Built
// with RV_STANDIN_HELPER, it writes through a helper library it imports.
#include "speech_log.h"

#include <cstdint>
#include <cstring>

#ifdef RV_STANDIN_HELPER
extern "C" __declspec(dllimport) void rvStandInHelperWrite(const char* line);
#endif

namespace {

void write(const std::string& line)
{
#ifdef RV_STANDIN_HELPER
    rvStandInHelperWrite(line.c_str());
#else
    rv::test::appendSpeechLog(line);
#endif
}

} // namespace

#define RV_STRINGIFY2(x) #x
#define RV_STRINGIFY(x) RV_STRINGIFY2(x)

extern "C" __declspec(dllexport) int __stdcall RV_STANDIN_FUNCTION(const char* text, std::int32_t mode)
{
    std::string line = RV_STRINGIFY(RV_STANDIN_FUNCTION);
    const std::size_t length = std::strlen(text) + 1; // the NUL is part of what was passed
    char hex[4];
    for (std::size_t i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(text[i]));
        line += hex;
    }
    line += " | " + std::to_string(mode);
    write(line);
    return 0;
}
