#pragma once

// The stand-ins for the clinic's speech components append one line per call
// they receive to the file named by this environment variable, so that a
// test can read back exactly what arrived and in which order.
#define RV_SPEECH_LOG_VARIABLE "RV_SPEECH_LOG"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace rv::test {

inline void appendSpeechLog(const std::string& line)
{
    const char* path = std::getenv(RV_SPEECH_LOG_VARIABLE);
    if (!path || !*path) {
        return;
    }
    if (FILE* file = std::fopen(path, "ab")) {
        std::fputs((line + "\n").c_str(), file);
        std::fclose(file);
    }
}

inline std::vector<std::string> readSpeechLog(const std::filesystem::path& log)
{
    std::ifstream in(log, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// How a call to the speech control is written down, by the control's
// stand-in and by the tests' recording control alike.
inline std::string voiceCallLine(long dispatchId, const std::string& arguments)
{
    char head[32];
    std::snprintf(head, sizeof head, "Voice1 0x%08lX", static_cast<unsigned long>(dispatchId));
    return head + arguments;
}

} // namespace rv::test
