#pragma once

#include "startup/command_line.h"

#include <optional>
#include <string>
#include <vector>

namespace rv::win32 {

// The program's command line as the core reads it: its own name, then each
// argument, in UTF-8.
std::vector<std::string> commandLineArguments();

// Answers --help, --version and a command line that cannot be carried out,
// on the console the program was started from (or redirected output);
// returns the exit code, or nothing when there is work to do.
std::optional<int> answerAtOnce(const startup::CommandLine& line, const std::string& programName);

// The backup without a window, for scheduled tasks and scripts: the core's
// unattended runner, writing to the parent's console; Ctrl+C cancels.
// Returns its exit code (0 all copied, 1 not all, 2 could not start).
// Without verify, the copies are not read back from the disk; keep: the
// earlier generations kept at most, when the command line gave a number.
int runUnattendedMode(const std::string& programFolder, const std::string& destination, bool verify,
                      std::optional<unsigned> keep);

// The check of a backup folder against its record, written to the parent's
// console; Ctrl+C stops it. generation "" is the latest. Returns 0 (all
// match), 1 (something differs or is missing) or 2 (no record, unusable
// folder).
int runCheckMode(const std::string& folder, const std::string& generation);
// --generations: lists the folder's generations on the console; the exit code.
int runGenerationsMode(const std::string& folder);

} // namespace rv::win32
