#include "restore/restore_preview.h"

#include "common/path_text.h"
#include "platform/read_back.h"
#include "record/record_reader.h"
#include "restore/restore_plan.h"
#include "restore/restore_survey.h"

#include <map>
#include <optional>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::FileErrorKind;

// The folders the files go back to, each opened once; nothing for one that
// is not there.
class TargetFolders {
public:
    const DestinationFolder* folder(const std::string& path)
    {
        auto found = folders_.find(path);
        if (found == folders_.end()) {
            auto opened = DestinationFolder::openChosen(path);
            std::optional<DestinationFolder> folder;
            if (opened.ok()) {
                folder.emplace(std::move(opened.value()));
            }
            found = folders_.emplace(path, std::move(folder)).first;
        }
        return found->second ? &*found->second : nullptr;
    }

private:
    std::map<std::string, std::optional<DestinationFolder>> folders_;
};

} // namespace

Result<RestorePreview, RestoreRefusal> previewRestore(std::string_view programFolder, const GenerationPlaces& source)
{
    using R = Result<RestorePreview, RestoreRefusal>;
    const std::atomic<bool> never{false};
    auto survey = surveyRecord(source.recordFolder(), never);
    if (!survey.ok()) {
        return R::failure(survey.error());
    }
    auto settings = restoreSettings(programFolder, source.places);
    if (!settings.ok()) {
        return R::failure(settings.error());
    }
    auto reader = RecordReader::open(source.recordFolder());
    if (!reader.ok()) {
        return R::failure({RestoreRefusal::Why::NoBackup, "バックアップの記録を開けません：" + reader.error().detail});
    }
    const RestorePlan plan(settings.value(), programFolder);
    TargetFolders targets;
    RestorePreview preview;
    while (const auto entry = reader.value().next()) {
        const auto* file = std::get_if<RecordedFile>(&*entry);
        const auto target = file != nullptr ? plan.targetOf(file->relativePath) : std::nullopt;
        if (!target) {
            continue;
        }
        const DestinationFolder* folder = targets.folder(target->folder);
        bool there = false;
        if (folder != nullptr) {
            auto opened = platform::openFileBelow(*folder, target->relative);
            there = opened.ok() || opened.error().kind != FileErrorKind::NotFound;
        }
        if (there && target->onlyWhenMissing) {
            continue;
        }
        (there ? preview.replaced : preview.added)
            .push_back(nativeSeparators(entryPath(target->folder, target->relative)));
        ++preview.files;
        preview.bytes += file->size;
    }
    return R::success(std::move(preview));
}

} // namespace rv
