#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"
#include "restore/restore_service.h"
#include "settings/settings.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// Where one file of a backup goes back.
struct RestoreTarget {
    std::string folder;   // the folder it is reached from: a database's own, or the data folder
    std::string relative; // below folder, "/" between names
    // rv.dat and id.dat belong to the records system's installation: they
    // are put back only where there is none.
    bool onlyWhenMissing = false;
};

// The places the settings give the files of a backup, by their paths in its
// record: the databases where rv.dat names them, rv.dat and id.dat in the
// program folder, and the data folder's files below the data folder.
class RestorePlan {
public:
    RestorePlan(const Settings& settings, std::string_view programFolder);

    // Nothing for a file the settings give no place (a database they no
    // longer name, or no data folder).
    std::optional<RestoreTarget> targetOf(std::string_view recordPath) const;

private:
    struct PlacedFile {
        std::string name; // its entry in the backup folder
        RestoreTarget target;
    };
    std::vector<PlacedFile> files_;
    std::string dataFolder_;
};

// The settings that say where the files go: the program folder's rv.dat, or
// with none there, the backup's own copy (the first of places that holds it).
Result<Settings, RestoreRefusal> restoreSettings(std::string_view programFolder,
                                                 const std::vector<platform::DestinationFolder>& places);

} // namespace rv
