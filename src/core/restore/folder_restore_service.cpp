#include "restore/folder_restore_service.h"

#include "generations/generation_list.h"
#include "restore/restore_preview.h"

namespace rv {
namespace {

Result<platform::DestinationFolder, RestoreRefusal> openBackup(const std::string& backupFolder)
{
    auto backup = platform::DestinationFolder::openChosen(backupFolder);
    if (!backup.ok()) {
        return Result<platform::DestinationFolder, RestoreRefusal>::failure(
            {RestoreRefusal::Why::NoBackup, "バックアップのフォルダが見つかりません：" + backupFolder});
    }
    return Result<platform::DestinationFolder, RestoreRefusal>::success(std::move(backup.value()));
}

Result<GenerationPlaces, RestoreRefusal> placesOf(const std::string& backupFolder, const std::string& generation)
{
    auto backup = openBackup(backupFolder);
    if (!backup.ok()) {
        return Result<GenerationPlaces, RestoreRefusal>::failure(backup.error());
    }
    return openGenerationPlaces(std::move(backup.value()), generation);
}

} // namespace

Result<std::vector<GenerationSummary>, RestoreRefusal>
FolderRestoreService::generations(const std::string& backupFolder)
{
    auto backup = openBackup(backupFolder);
    if (!backup.ok()) {
        return Result<std::vector<GenerationSummary>, RestoreRefusal>::failure(backup.error());
    }
    return listGenerations(backup.value());
}

Result<RestorePreview, RestoreRefusal> FolderRestoreService::preview(const std::string& backupFolder,
                                                                     const std::string& generation)
{
    auto places = placesOf(backupFolder, generation);
    if (!places.ok()) {
        return Result<RestorePreview, RestoreRefusal>::failure(places.error());
    }
    return previewRestore(programFolder_, places.value());
}

RestoreOutcome FolderRestoreService::restore(const std::string& backupFolder, const std::string& generation,
                                             const std::function<void(const RestoreProgress&)>& onProgress,
                                             const std::atomic<bool>& cancel)
{
    auto places = placesOf(backupFolder, generation);
    if (!places.ok()) {
        return refusedRestore(places.error());
    }
    return runRestore(programFolder_, places.value(), onProgress, cancel);
}

std::unique_ptr<RestoreService> makeFolderRestoreService(std::string programFolder)
{
    return std::make_unique<FolderRestoreService>(std::move(programFolder));
}

} // namespace rv
