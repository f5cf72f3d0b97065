#include "backup/backup_plan.h"

#include "backup/backup_folder.h"
#include "common/path_text.h"
#include "platform/file_system.h"

#include <array>

namespace rv {
namespace {

// The records system's own order; entries 7 to 10 are never copied.
constexpr std::array<std::size_t, 11> kDatabaseOrder = {4, 5, 3, 6, 11, 12, 2, 1, 13, 0, 14};
constexpr std::size_t kDataFolderEntry = 15;

CopyStep fileStep(std::string source, std::string_view backupFolder, bool optional)
{
    CopyStep step{StepKind::File, fileNameOf(source), std::move(source), std::string(backupFolder), optional, {}, {}};
    if (isUnusableFileName(step.name)) {
        // Without a name ("・：…" said aloud tells nothing), the path itself
        // tells the user which entry of rv.dat it is.
        step.name = step.source;
        step.problem = BackupReason::BadName;
        return step;
    }
    step.destination += step.name;
    if (platform::isEntryOf(step.destination, step.source)) {
        step.problem = BackupReason::SelfCopy;
    }
    return step;
}

void markCollisions(std::vector<CopyStep>& steps)
{
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i].problem) {
            continue;
        }
        for (std::size_t j = i + 1; j < steps.size(); ++j) {
            if (!steps[j].problem && platform::sameName(steps[i].destination, steps[j].destination)) {
                steps[i].overwrittenBy = j;
                break;
            }
        }
    }
}

} // namespace

Result<BackupPlan, PlanRefusal> makeBackupPlan(const Settings& settings, std::string_view programFolder,
                                               std::string_view backupFolder)
{
    const std::string& dataFolder = dataFolderSource(settings);
    if (!dataFolder.empty() && platform::isSameOrInside(backupFolder, dataFolder)) {
        return Result<BackupPlan, PlanRefusal>::failure(PlanRefusal::DestinationInsideDataFolder);
    }
    if (platform::sameEntry(backupFolder, programFolder)) {
        return Result<BackupPlan, PlanRefusal>::failure(PlanRefusal::DestinationIsProgramFolder);
    }

    BackupPlan plan{std::string(backupFolder), {}};
    for (const std::size_t entry : kDatabaseOrder) {
        const std::string& source = settings.BackupSources[entry];
        if (!source.empty()) {
            plan.steps.push_back(fileStep(source, backupFolder, settings.isDefault[entry]));
        }
    }
    for (const char* name : kProgramFileNames) {
        plan.steps.push_back(fileStep(joinRelative(programFolder, name), backupFolder, false));
    }
    if (!dataFolder.empty()) {
        CopyStep step{StepKind::Folder,
                      kDataFolderName,
                      dataFolder,
                      std::string(backupFolder) + kDataFolderName,
                      settings.isDefault[kDataFolderEntry],
                      {},
                      {}};
        if (platform::isEntryOf(step.destination, step.source)) {
            step.problem = BackupReason::SelfCopy;
        }
        plan.steps.push_back(std::move(step));
    }
    markCollisions(plan.steps);
    return Result<BackupPlan, PlanRefusal>::success(std::move(plan));
}

std::vector<std::string> databaseSources(const Settings& settings)
{
    std::vector<std::string> sources;
    for (const std::size_t entry : kDatabaseOrder) {
        if (!settings.BackupSources[entry].empty()) {
            sources.push_back(settings.BackupSources[entry]);
        }
    }
    return sources;
}

const std::string& dataFolderSource(const Settings& settings) { return settings.BackupSources[kDataFolderEntry]; }

std::string describePlanRefusal(PlanRefusal refusal)
{
    switch (refusal) {
    case PlanRefusal::DestinationInsideDataFolder:
        return "保存先がGDATAフォルダの中にあるため、バックアップできません。別のフォルダを選んでください。";
    case PlanRefusal::DestinationIsProgramFolder:
        return "保存先がプログラムのフォルダと同じため、バックアップできません。別のフォルダを選んでください。";
    }
    return "この保存先にはバックアップできません。";
}

} // namespace rv
