// A helper library of the dependent speech library stand-in, which writes
// its line through it: loading that stand-in needs this file beside it, as a
// clinic's speech library may need libraries of its own.
#include "speech_log.h"

extern "C" __declspec(dllexport) void rvStandInHelperWrite(const char* line) { rv::test::appendSpeechLog(line); }
