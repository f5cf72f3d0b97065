#include "restore/folder_restore_service.h"

#include "generations/generation_layout.h"
#include "restore/restore_preview.h"

#include <algorithm>

namespace rv {
namespace {

inline constexpr std::string_view kLatest = "最新";

// Where a generation's record and files are: its own folder, each newer
// generation's, oldest to newest, then the latest.
Result<RestoreSource, RestoreRefusal> sourceOf(const std::string& backupFolder, const std::string& generation)
{
    using R = Result<RestoreSource, RestoreRefusal>;
    const RestoreRefusal noBackup{RestoreRefusal::Why::NoBackup,
                                  "バックアップのフォルダが見つかりません：" + backupFolder};
    auto backup = platform::DestinationFolder::openChosen(backupFolder);
    auto latest = platform::DestinationFolder::openChosen(backupFolder);
    if (!backup.ok() || !latest.ok()) {
        return R::failure(noBackup);
    }
    std::vector<platform::DestinationFolder> places;
    if (!generation.empty() && generation != kLatest) {
        auto names = earlierGenerations(backup.value());
        if (!names.ok()) {
            return R::failure(noBackup);
        }
        auto name = std::find(names.value().begin(), names.value().end(), generation);
        if (name == names.value().end()) {
            return R::failure({RestoreRefusal::Why::NoGeneration, "その名前のバックアップはありません：" + generation});
        }
        auto earlier = backup.value().openFolder(kEarlierBackupsFolder);
        auto record = earlier.ok() ? earlier.value().openFolder(*name) : std::move(earlier);
        if (!record.ok()) {
            return R::failure(noBackup);
        }
        backup = std::move(record);
        for (; name != names.value().end(); ++name) {
            if (auto folder = earlier.value().openFolder(*name); folder.ok()) {
                places.push_back(std::move(folder.value()));
            }
        }
    }
    places.push_back(std::move(latest.value()));
    return R::success({std::move(backup.value()), std::move(places)});
}

} // namespace

Result<std::vector<GenerationSummary>, RestoreRefusal>
FolderRestoreService::generations(const std::string& backupFolder)
{
    (void)backupFolder;
    return Result<std::vector<GenerationSummary>, RestoreRefusal>::success({});
}

Result<RestorePreview, RestoreRefusal> FolderRestoreService::preview(const std::string& backupFolder,
                                                                     const std::string& generation)
{
    auto source = sourceOf(backupFolder, generation);
    if (!source.ok()) {
        return Result<RestorePreview, RestoreRefusal>::failure(source.error());
    }
    return previewRestore(programFolder_, source.value());
}

RestoreOutcome FolderRestoreService::restore(const std::string& backupFolder, const std::string& generation,
                                             const std::function<void(const RestoreProgress&)>& onProgress,
                                             const std::atomic<bool>& cancel)
{
    auto source = sourceOf(backupFolder, generation);
    if (!source.ok()) {
        return refusedRestore(source.error());
    }
    return runRestore(programFolder_, source.value(), onProgress, cancel);
}

} // namespace rv
