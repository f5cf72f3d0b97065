#pragma once

#include "backup/copy_reason.h"
#include "common/result.h"
#include "settings/settings.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

enum class StepKind { File, Folder };

struct CopyStep {
    StepKind kind;
    std::string name; // what the user is told: the file name, "rv.dat", "GDATA"; also its entry in the backup folder
    std::string source;
    std::string destination;
    // A program-folder default the clinic may not use: when it is missing,
    // that is information, not a failure.
    bool optional = false;
    // Known before anything is copied: the step cannot be carried out.
    std::optional<CopyReason> problem;
    // The next step that writes the same destination, if any.
    std::optional<std::size_t> overwrittenBy;
};

struct BackupPlan {
    std::string backupFolder; // ends with a separator
    std::vector<CopyStep> steps;
};

enum class PlanRefusal {
    DestinationInsideDataFolder, // the data folder would be copied into itself
    DestinationIsProgramFolder,  // rv.dat and the databases would be copied onto themselves
};

// The ordered copy steps of one run: the database entries in the records
// system's fixed order, rv.dat and id.dat, then the data folder. Refuses a
// destination that would copy the data onto or into itself.
Result<BackupPlan, PlanRefusal> makeBackupPlan(const Settings& settings, std::string_view programFolder,
                                               std::string_view backupFolder);

std::string describePlanRefusal(PlanRefusal refusal);

// The database files a run copies, in the records system's order.
std::vector<std::string> databaseSources(const Settings& settings);

// The program folder's own files a run copies after the databases, each
// under its own name.
inline constexpr std::array<const char*, 2> kProgramFileNames = {"rv.dat", "id.dat"};
// The data folder's entry in the backup folder.
inline constexpr const char* kDataFolderName = "GDATA";
// The data folder the settings name; empty for none.
const std::string& dataFolderSource(const Settings& settings);

} // namespace rv
