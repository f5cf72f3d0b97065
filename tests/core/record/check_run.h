#pragma once

#include "record/backup_check.h"

#include <atomic>
#include <sstream>
#include <string>

namespace rv::testing {

// What --check says of a folder, and its exit code.
struct CheckRun {
    int exitCode;
    std::string output;
};

inline CheckRun check(const std::string& folder, const std::string& generation = "")
{
    std::ostringstream out;
    std::ostringstream progress;
    const std::atomic<bool> cancel{false};
    const int code = runBackupCheck(folder, generation, out, progress, cancel);
    return {code, out.str()};
}

} // namespace rv::testing
