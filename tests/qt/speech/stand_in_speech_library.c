/* Stands in for a speech library: appends the name of its function, every
   byte it was given up to and including the NUL, and the second argument to
   the file named by RV_SPEECH_JOURNAL, one line per call. */
#include "qt/speech/calling_convention.h"

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define RV_NAME_OF(x) #x
#define RV_NAME(x) RV_NAME_OF(x)

#ifdef _WIN32
#define RV_EXPORT __declspec(dllexport)
#else
#define RV_EXPORT __attribute__((visibility("default")))
#endif

RV_EXPORT int RV_STDCALL RV_STAND_IN_FUNCTION(const char* text, int32_t mode)
{
    const char* journal = getenv("RV_SPEECH_JOURNAL");
    FILE* file = journal ? fopen(journal, "a") : NULL;
    if (!file)
        return 0;
    fputs(RV_NAME(RV_STAND_IN_FUNCTION), file);
    for (size_t i = 0, length = strlen(text); i <= length; ++i)
        fprintf(file, " %02X", (unsigned char)text[i]);
    fprintf(file, " %ld\n", (long)mode);
    fclose(file);
    return 1;
}
