#pragma once

#include "common/result.h"
#include "platform/input_file.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

inline constexpr std::size_t kSettingFieldCount = 101;
inline constexpr std::size_t kSettingFieldsRead = 87;
inline constexpr std::size_t kBackupSourceCount = 16;
// A field longer than this cannot be a path on any system served (Windows
// stops at 32767 UTF-16 units); such a field is read as empty.
inline constexpr std::size_t kMaxFieldChars = 32767;

// What the records system's rv.dat says, and the sixteen paths derived from it.
// Strings are UTF-8.
struct Settings {
    std::array<std::string, kSettingFieldCount> SettingFields;
    std::array<std::string, kBackupSourceCount> BackupSources;
    // True where an entry holds the program-folder default because its field
    // was empty (a module the clinic may simply not use).
    std::array<bool, kBackupSourceCount> isDefault{};
    // Problems in the file that were passed over (an overlong field, bytes
    // that are not CP932, ...), one readable line each, for the front end's log.
    std::vector<std::string> notes;
};

// Why rv.dat could not be opened: errorNumber is 53 for a missing file
// (the records system's own number for "file not found"), 75 otherwise.
struct SettingsError {
    int errorNumber = 0;
    std::string path;   // UTF-8
    std::string reason; // Japanese, e.g. "ファイルが見つかりません。"
};

// Reads programFolder + separator + "rv.dat" once and fills both tables.
Result<Settings, SettingsError> ReadSettings(std::string_view programFolder);

// Reads an rv.dat opened already (a backup's copy of it); the defaults lie
// in programFolder, as they would for the program folder's own.
Settings settingsFrom(platform::InputFile file, std::string_view programFolder);

// The text of the fatal message box shown when rv.dat cannot be opened.
std::string describeSettingsError(const SettingsError& error);

} // namespace rv
