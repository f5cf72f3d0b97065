#include "restore/folder_restore_service.h"

#include "restore/restore_preview.h"

namespace rv {
namespace {

inline constexpr std::string_view kLatest = "最新";

// Where a generation's record and files are.
Result<RestoreSource, RestoreRefusal> sourceOf(const std::string& backupFolder, const std::string& generation)
{
    using R = Result<RestoreSource, RestoreRefusal>;
    auto backup = platform::DestinationFolder::openChosen(backupFolder);
    if (!backup.ok()) {
        return R::failure({RestoreRefusal::Why::NoBackup, "バックアップのフォルダが見つかりません：" + backupFolder});
    }
    if (!generation.empty() && generation != kLatest) {
        return R::failure({RestoreRefusal::Why::NoGeneration, "その名前のバックアップはありません：" + generation});
    }
    auto again = platform::DestinationFolder::openChosen(backupFolder);
    if (!again.ok()) {
        return R::failure({RestoreRefusal::Why::NoBackup, "バックアップのフォルダが見つかりません：" + backupFolder});
    }
    RestoreSource source{std::move(backup.value()), {}};
    source.places.push_back(std::move(again.value()));
    return R::success(std::move(source));
}

} // namespace

Result<std::vector<GenerationSummary>, RestoreRefusal> FolderRestoreService::generations(const std::string& backupFolder)
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
