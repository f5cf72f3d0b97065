#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace rv::startup {

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Mode {
        Window,        // no option of ours: the main window
        BackupTo,      // the backup without a window, into folder
        Check,         // the check of the backup in folder against its record
        Generations,   // the list of the generations of the backup in folder
        Restore,       // the backup in folder put back where rv.dat says, without a window
        RestoreWindow, // the restore window, which asks for the backup folder itself
        Help,          // print helpText and end
        Version,       // print versionText and end
        Refused,       // print refusal and end with kExitUsage
    };
    Mode mode = Mode::Window;
    std::string folder;
    bool verify = true; // BackupTo: read the copies back
    // BackupTo: how many earlier generations the backup folder keeps at
    // most; nothing for the backup's own number. At least 1.
    std::optional<unsigned> keep;
    // Check and Restore: the generation of the backup in folder; empty for the latest.
    std::string generation;
    std::string refusal;
};

// Options a front end's toolkit takes and acts on itself (Qt's -platform,
// -style, -reverse, ...): accepted and passed over, never refused.
struct ToolkitOptions {
    std::vector<std::string_view> withValue;
    std::vector<std::string_view> flags;
};

// An unknown option, a missing folder or a stray argument.
inline constexpr int kExitUsage = 2;

// Reads the arguments after the program's name. Every option takes one dash
// or two, and a value either as the next argument or after "=".
CommandLine parseCommandLine(const std::vector<std::string>& arguments, const ToolkitOptions& toolkit = {});

// The texts of --help and --version; programName as the user typed it.
std::string helpText(std::string_view programName);
std::string versionText();
// The line after a refusal, pointing to --help.
std::string usageHint(std::string_view programName);

// Help, version and a refusal: what answerAtOnce answers.
bool isAnsweredAtOnce(const CommandLine& line);

// Answers what needs neither a window nor the settings: help and version on
// out, a refusal and the hint on err. Returns the exit code, or nothing when
// the front end has work to do (a window, the backup, the check).
std::optional<int> answerAtOnce(const CommandLine& line, std::string_view programName, std::ostream& out,
                                std::ostream& err);

} // namespace rv::startup
