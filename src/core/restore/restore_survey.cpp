#include "restore/restore_survey.h"

#include <variant>

namespace rv {

Result<RecordSurvey, RestoreRefusal> surveyRecord(const platform::DestinationFolder& folder,
                                                  const std::atomic<bool>& cancel)
{
    using R = Result<RecordSurvey, RestoreRefusal>;
    auto reader = RecordReader::open(folder);
    if (!reader.ok()) {
        return R::failure({RestoreRefusal::Why::NoBackup, (reader.error().absent ? "バックアップの記録がありません："
                                                                                 : "バックアップの記録を開けません：") +
                                                              reader.error().detail});
    }
    RecordSurvey survey;
    while (const auto entry = reader.value().next()) {
        if (const auto* file = std::get_if<RecordedFile>(&*entry)) {
            ++survey.files;
            survey.bytes += file->size;
        }
        if (cancel) {
            survey.cancelled = true;
            return R::success(survey);
        }
    }
    if (const auto& damage = reader.value().damage()) {
        return R::failure({RestoreRefusal::Why::NoBackup, describeRecordDamage(*damage)});
    }
    return R::success(survey);
}

std::string describeRecordDamage(const RecordDamage& damage)
{
    return "バックアップの記録が壊れています（" + std::to_string(damage.line) + " 行目：" + damage.what + "）";
}

} // namespace rv
