#include "settings/settings.h"

#include "common/path_text.h"
#include "platform/input_file.h"
#include "platform/system_error_text.h"
#include "platform/text_codec.h"
#include "settings/settings_field_parser.h"

#include <stdexcept>

namespace rv {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} * 1024;

struct SourceRule {
    std::size_t entry;
    std::size_t field;
    const char* defaultName; // nullptr: no default, the entry stays empty
};

// In the order the defaults are applied; entries 7 to 10 have none.
constexpr SourceRule kSourceRules[] = {
    {0, 3, "臨床RV51N.mdb"},
    {1, 4, "予約51.mdb"},
    {2, 5, "保険申請51_1.mdb"},
    {3, 6, "Meiro51.mdb"},
    {4, 7, "Tavo51.mdb"},
    {5, 8, "Tavo2_51.mdb"},
    {6, 9, "カルテ2データ51.mdb"},
    {7, 10, nullptr},
    {8, 11, nullptr},
    {9, 12, nullptr},
    {10, 13, nullptr},
    {11, 53, "同意医師51.mdb"},
    {12, 54, "保険者51.mdb"},
    {13, 55, "料金設定51.mdb"},
    {14, 73, "保険申請51_2.mdb"},
    {15, 14, "GDATA"},
};

SettingsError openError(const std::string& path, const platform::OpenFailure& failure)
{
    switch (failure.kind) {
    case platform::OpenFailureKind::NotFound:
        return {53, path, "ファイルが見つかりません。"};
    case platform::OpenFailureKind::AccessDenied:
        return {75, path, "ファイルを開く権限がありません。"};
    case platform::OpenFailureKind::NotAFile:
        return {75, path, "ファイルではなくフォルダです。"};
    case platform::OpenFailureKind::NotRegular:
        return {75, path, "通常のファイルではありません（名前付きパイプ、デバイスまたはソケットです）。"};
    case platform::OpenFailureKind::Other:
        break;
    }
    if (failure.code == 0) {
        return {75, path, "ファイルを開けません。"};
    }
    return {75, path, "ファイルを開けません：" + platform::describeSystemError(failure.code) + "。"};
}

// Reads only as far as the fields need; a read error ends the reading and
// the fields read so far stand, as the records system's own reader does.
void readFields(platform::InputFile& file, Settings& settings)
{
    platform::Cp932Decoder decoder;
    SettingsFieldParser parser(kSettingFieldsRead, kMaxFieldChars);
    std::string chunk(kChunkBytes, '\0');
    while (!parser.full()) {
        auto count = file.read(chunk.data(), chunk.size());
        if (!count.ok()) {
            settings.notes.emplace_back("rv.dat を最後まで読めませんでした。読めたところまでを使います。");
            break;
        }
        const bool last = count.value() == 0;
        parser.feed(decoder.decode(std::string_view(chunk).substr(0, count.value()), last));
        if (last) {
            parser.finish();
            break;
        }
    }
    if (decoder.invalidBytes() > 0) {
        settings.notes.push_back("rv.dat の " + std::to_string(decoder.invalidBytes()) +
                                 " バイトは CP932 の文字として読めないため、置き換え文字（U+FFFD）として読みました。");
    }
    const auto& fields = parser.fields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        settings.SettingFields[i] = fields[i];
    }
    settings.notes.insert(settings.notes.end(), parser.notes().begin(), parser.notes().end());
}

void deriveBackupSources(std::string_view programFolder, Settings& settings)
{
    for (const SourceRule& rule : kSourceRules) {
        settings.BackupSources[rule.entry] = settings.SettingFields[rule.field];
    }
    for (const SourceRule& rule : kSourceRules) {
        if (rule.defaultName != nullptr && settings.SettingFields[rule.field].empty()) {
            settings.BackupSources[rule.entry] = joinRelative(programFolder, rule.defaultName);
            settings.isDefault[rule.entry] = true;
        }
    }
}

} // namespace

Result<Settings, SettingsError> ReadSettings(std::string_view programFolder)
{
    using R = Result<Settings, SettingsError>;
    const std::string path = joinRelative(programFolder, "rv.dat");
    auto file = platform::InputFile::open(path);
    if (!file.ok()) {
        return R::failure(openError(path, file.error()));
    }
    return R::success(settingsFrom(std::move(file.value()), programFolder));
}

Settings settingsFrom(platform::InputFile file, std::string_view programFolder)
{
    Settings settings;
    try {
        readFields(file, settings);
    } catch (const std::exception& error) {
        // Only a platform without a CP932 converter gets here; the fields stay
        // as far as they were read and the defaults still apply.
        settings.notes.emplace_back("この環境では rv.dat の文字コード（CP932）を変換できません。");
    }
    deriveBackupSources(programFolder, settings);
    return settings;
}

std::string describeSettingsError(const SettingsError& error)
{
    return "実行時エラー '" + std::to_string(error.errorNumber) + "':\n\n" + error.reason + "\n\n" +
           nativeSeparators(error.path);
}

} // namespace rv
