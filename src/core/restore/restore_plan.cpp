#include "restore/restore_plan.h"

#include "backup/backup_plan.h"
#include "common/path_text.h"
#include "platform/file_system.h"
#include "platform/read_back.h"

namespace rv {
namespace {

RestoreTarget fileTarget(const std::string& path, bool onlyWhenMissing)
{
    const std::string_view folder = folderPartOf(path);
    return {std::string(folder), path.substr(folder.size()), onlyWhenMissing};
}

} // namespace

RestorePlan::RestorePlan(const Settings& settings, std::string_view programFolder)
    : dataFolder_(dataFolderSource(settings))
{
    for (const std::string& database : databaseSources(settings)) {
        files_.push_back({fileNameOf(database), fileTarget(database, false)});
    }
    for (const char* name : kProgramFileNames) {
        files_.push_back({name, fileTarget(joinRelative(programFolder, name), true)});
    }
}

std::optional<RestoreTarget> RestorePlan::targetOf(std::string_view recordPath) const
{
    const std::string dataPrefix = std::string(kDataFolderName) + "/";
    if (recordPath.starts_with(dataPrefix)) {
        if (dataFolder_.empty()) {
            return std::nullopt;
        }
        return RestoreTarget{dataFolder_, std::string(recordPath.substr(dataPrefix.size())), false};
    }
    // Two databases of one name were backed up one over the other: the
    // backup holds the later one, which goes back to the later's place.
    std::optional<RestoreTarget> found;
    for (const PlacedFile& file : files_) {
        if (platform::sameName(file.name, recordPath)) {
            found = file.target;
        }
    }
    return found;
}

Result<Settings, RestoreRefusal> restoreSettings(std::string_view programFolder,
                                                 const std::vector<platform::DestinationFolder>& places)
{
    using R = Result<Settings, RestoreRefusal>;
    auto own = ReadSettings(programFolder);
    if (own.ok()) {
        return R::success(std::move(own.value()));
    }
    constexpr int kNotFound = 53;
    if (own.error().errorNumber != kNotFound) {
        return R::failure({RestoreRefusal::Why::NoSettings, describeSettingsError(own.error())});
    }
    for (const platform::DestinationFolder& place : places) {
        auto copy = platform::openFileBelow(place, kProgramFileNames[0]);
        if (copy.ok()) {
            return R::success(settingsFrom(platform::InputFile(std::move(copy.value())), programFolder));
        }
        if (copy.error().kind != platform::FileErrorKind::NotFound) {
            break;
        }
    }
    return R::failure(
        {RestoreRefusal::Why::NoSettings,
         "プログラムのフォルダにもバックアップにも rv.dat がないため、ファイルを戻す場所がわかりません。"});
}

} // namespace rv
