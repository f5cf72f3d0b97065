#pragma once

#include "restore/restore_run.h"
#include "restore/restore_service.h"

#include <memory>
#include <string>

namespace rv {

// The restore of a backup folder's generations into the places the program
// folder's rv.dat (or, with none there, the backup's) names.
class FolderRestoreService final : public RestoreService {
public:
    explicit FolderRestoreService(std::string programFolder) : programFolder_(std::move(programFolder)) {}

    Result<std::vector<GenerationSummary>, RestoreRefusal> generations(const std::string& backupFolder) override;
    Result<RestorePreview, RestoreRefusal> preview(const std::string& backupFolder,
                                                   const std::string& generation) override;
    RestoreOutcome restore(const std::string& backupFolder, const std::string& generation,
                           const std::function<void(const RestoreProgress&)>& onProgress,
                           const std::atomic<bool>& cancel) override;

private:
    std::string programFolder_;
};

// The restore a window works with, for the program in programFolder.
std::unique_ptr<RestoreService> makeFolderRestoreService(std::string programFolder);

} // namespace rv
