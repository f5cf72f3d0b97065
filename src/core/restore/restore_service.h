#pragma once

#include "common/result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rv {

// One generation of a backup folder, as a clinic is shown it.
struct GenerationSummary {
    std::string name;      // its folder below the earlier backups' folder; for the latest, the latest's own name
    bool latest = false;   // the flat backup in the chosen folder itself
    std::string when;      // its run's time, "2026-12-08 18:30:05"; empty when its record cannot be read
    std::string outcome;   // how its run ended, as its record says, or why its record cannot be read
    bool complete = false; // its record is whole and sealed, and its run copied everything
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// Why a restore cannot start; nothing has been touched.
struct RestoreRefusal {
    enum class Why {
        NoBackup,     // no backup folder there, or no record in it
        NoGeneration, // no generation of that name
        NoSettings,   // neither the program folder's rv.dat nor the backup's can say where the files go
        DatabaseOpen, // a database's lock file is there: the records system may be using it
    };
    Why why;
    std::string message; // in Japanese, naming what is meant
};

// What a restore of one generation would do, before anything is touched.
struct RestorePreview {
    std::vector<std::string> replaced; // the files it would replace (kept aside first), as shown to people
    std::vector<std::string> added;    // the files it would put where there is none
    std::uint64_t files = 0;           // how many files it puts back
    std::uint64_t bytes = 0;
};

struct RestoreProgress {
    std::string current; // the file being put back, as shown to people
    std::uint64_t filesDone = 0;
    std::uint64_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
};

inline constexpr int kRestoreAllRestored = 0;
inline constexpr int kRestoreNotAll = 1;
inline constexpr int kRestoreCouldNotStart = 2;

struct RestoreOutcome {
    int exitCode = kRestoreCouldNotStart;
    bool cancelled = false;
    std::string summary;              // the closing message, in Japanese
    std::vector<std::string> notDone; // one line per file not put back, with why
    std::string keptAside;            // where what it replaced was kept, to undo it; empty when it replaced nothing
};

// What a restore window needs of the restore: the generations of a backup
// folder, what restoring one would replace, and the restore itself.
class RestoreService {
public:
    virtual ~RestoreService() = default;

    // Newest first, the latest at the top.
    virtual Result<std::vector<GenerationSummary>, RestoreRefusal> generations(const std::string& backupFolder) = 0;
    virtual Result<RestorePreview, RestoreRefusal> preview(const std::string& backupFolder,
                                                           const std::string& generation) = 0;
    // Runs on the caller's thread; onProgress is called often. Setting cancel
    // stops between and within files: what was put back stays, and so does
    // what it replaced, kept aside.
    virtual RestoreOutcome restore(const std::string& backupFolder, const std::string& generation,
                                   const std::function<void(const RestoreProgress&)>& onProgress,
                                   const std::atomic<bool>& cancel) = 0;
};

} // namespace rv
