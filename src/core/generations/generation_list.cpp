#include "generations/generation_list.h"

#include "backup/progress_text.h"
#include "generations/generation_layout.h"
#include "record/record_reader.h"

#include <algorithm>

namespace rv {
namespace {

constexpr const char* kNoRecordText = "記録がありません";

// A generation as its record tells it; a record that cannot be read whole
// says why in place of how its run ended.
GenerationSummary summarise(const platform::DestinationFolder& folder, std::string name, bool latest)
{
    GenerationSummary summary;
    summary.name = std::move(name);
    summary.latest = latest;
    auto reader = RecordReader::open(folder);
    if (!reader.ok()) {
        summary.outcome = reader.error().absent ? kNoRecordText : "記録を開けません（" + reader.error().detail + "）";
        return summary;
    }
    std::uint64_t notCopied = 0;
    while (const auto entry = reader.value().next()) {
        if (const auto* file = std::get_if<RecordedFile>(&*entry)) {
            ++summary.files;
            summary.bytes += file->size;
        } else {
            ++notCopied;
        }
    }
    summary.when = reader.value().when();
    if (const auto& damage = reader.value().damage()) {
        summary.outcome = "記録が壊れています（" + std::to_string(damage->line) + " 行目：" + damage->what + "）";
        return summary;
    }
    summary.outcome = reader.value().outcome();
    summary.complete = reader.value().sealed() && notCopied == 0;
    return summary;
}

RestoreRefusal noBackup(const platform::DestinationFolder& backup)
{
    return {RestoreRefusal::Why::NoBackup, "バックアップの記録がありません：" + backup.path()};
}

RestoreRefusal unreadable(const platform::FileError& error)
{
    return {RestoreRefusal::Why::NoBackup, "以前のバックアップを読み取れません：" + error.detail};
}

} // namespace

Result<std::vector<GenerationSummary>, RestoreRefusal> listGenerations(const platform::DestinationFolder& backup)
{
    using R = Result<std::vector<GenerationSummary>, RestoreRefusal>;
    const auto earlier = earlierGenerations(backup);
    if (!earlier.ok()) {
        return R::failure(unreadable(earlier.error()));
    }
    std::vector<GenerationSummary> listed;
    listed.push_back(summarise(backup, std::string(kLatestGenerationName), true));
    if (earlier.value().empty() && listed.front().outcome == kNoRecordText) {
        return R::failure(noBackup(backup));
    }
    if (earlier.value().empty()) {
        return R::success(std::move(listed));
    }
    const auto folder = backup.openFolder(kEarlierBackupsFolder);
    if (!folder.ok()) {
        return R::failure(unreadable(folder.error()));
    }
    const std::vector<std::string> newestFirst(earlier.value().rbegin(), earlier.value().rend());
    for (const std::string& name : newestFirst) {
        auto generation = folder.value().openFolder(name);
        if (generation.ok()) {
            listed.push_back(summarise(generation.value(), name, false));
        } else {
            GenerationSummary unopened;
            unopened.name = name;
            unopened.outcome = "開けません（" + generation.error().detail + "）";
            listed.push_back(std::move(unopened));
        }
    }
    return R::success(std::move(listed));
}

Result<GenerationPlaces, RestoreRefusal> openGenerationPlaces(platform::DestinationFolder backup, std::string_view name)
{
    using R = Result<GenerationPlaces, RestoreRefusal>;
    GenerationPlaces found;
    if (name.empty() || name == kLatestGenerationName) {
        found.places.push_back(std::move(backup));
        return R::success(std::move(found));
    }
    const auto earlier = earlierGenerations(backup);
    if (!earlier.ok()) {
        return R::failure(unreadable(earlier.error()));
    }
    const auto own = std::find(earlier.value().begin(), earlier.value().end(), name);
    if (own == earlier.value().end()) {
        return R::failure({RestoreRefusal::Why::NoGeneration, "その名前の世代はありません：" + std::string(name)});
    }
    const auto folder = backup.openFolder(kEarlierBackupsFolder);
    if (!folder.ok()) {
        return R::failure(unreadable(folder.error()));
    }
    for (auto place = own; place != earlier.value().end(); ++place) {
        auto opened = folder.value().openFolder(*place);
        if (!opened.ok()) {
            return R::failure(unreadable(opened.error()));
        }
        found.places.push_back(std::move(opened.value()));
    }
    found.places.push_back(std::move(backup));
    return R::success(std::move(found));
}

int runGenerationListing(std::string_view path, std::ostream& out)
{
    const auto folder = platform::DestinationFolder::openChosen(path);
    if (!folder.ok()) {
        out << "フォルダが見つかりません：" << path << '\n';
        return 2;
    }
    const auto listed = listGenerations(folder.value());
    if (!listed.ok()) {
        out << listed.error().message << '\n';
        return 2;
    }
    for (const auto& generation : listed.value()) {
        out << generation.name << '\t' << (generation.when.empty() ? "-" : generation.when) << '\t'
            << generation.outcome << '\t' << groupedNumber(generation.files) << " 個\t"
            << groupedNumber(generation.bytes) << " バイト\n";
    }
    out.flush();
    return 0;
}

} // namespace rv
