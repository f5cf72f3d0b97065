#pragma once

#include "backup/backup_run.h"
#include "support/fault_injection.h"
#include "support/sample_clinic.h"

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rv::testing {

inline constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;

// What a step of setting up a fault returns when it worked.
inline Result<platform::Done, std::string> done() { return Result<platform::Done, std::string>::success({}); }

// A clinic with every item present, and a destination that already holds an
// earlier backup of every item with other content: what a fault may destroy.
class FaultBed {
public:
    FaultBed();

    std::filesystem::path source(const std::string& relative) const { return clinic.program.path() / relative; }
    std::filesystem::path destination() const { return clinic.backup.path(); }

    // Replaces a source with one of size bytes (a large file takes long
    // enough to be struck while it is copied).
    void resizeSource(const std::string& relative, std::size_t size);

    // Puts a small disk of its own under the destination.
    Result<platform::Done, std::string> mountDestination(std::uint64_t bytes);

    void writeEarlierBackup();
    // Gives the earlier backup another copy of relative, which a failed item keeps.
    void replaceEarlierCopy(const std::string& relative, const std::string& content);

    // The core run as the front end drives it, summed up as the user is told:
    // the closing message, then any side note of the run.
    std::string runCore(const BackupCallbacks& callbacks = {}) const;

    // The unattended runner, as the command line drives it.
    int runUnattended(std::ostream& out) const;

    // The built program itself, copied beside rv.dat (it reads the rv.dat of
    // its own folder) and started with --backup-to destination under limits.
    ChildOutcome runProgram(const ChildLimits& limits, const std::filesystem::path& destination) const;

    // The built program, copied beside rv.dat; where it now is.
    std::string installProgram() const;

    // Files of the backup under root that are not what they must be: the
    // earlier copy (or nothing) where the item failed, the current source
    // where it was copied. Empty when all is well.
    std::vector<std::string> wrongFiles(const std::filesystem::path& root, const std::set<std::string>& failed) const;

    SampleClinic clinic;
    std::optional<Mount> mount; // after clinic: unmounted before its folders go

private:
    std::vector<std::string> backupFiles() const;

    std::map<std::string, std::string> earlier_; // relative path in the backup -> content
};

// Why the built program cannot be run here ("skipped: ..."), or nothing.
std::optional<std::string> programUnavailable();

// Every entry under root, links not followed and nothing but regular files
// opened (a pipe would never answer): a file's size, time and first bytes, a
// link's target, a folder's mode. What a run must not change.
std::map<std::string, std::string> snapshot(const std::filesystem::path& root);

// Names of temporary copies (".rvtmp-...") anywhere under root.
std::vector<std::string> temporaryFilesUnder(const std::filesystem::path& root);

// "データのバックアップが終わりましたが、…" followed by one line per item.
std::string someNotCopied(const std::vector<std::string>& lines);

// A message with its lines after the first sorted: the data folder's files
// come in the order the file system lists them, which is its own.
std::string inAnyOrder(const std::string& message);

// The closing message at the end of the unattended output.
std::string closingMessageOf(const std::string& output);

} // namespace rv::testing
