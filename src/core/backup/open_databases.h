#pragma once

#include "settings/settings.h"

#include <string>
#include <vector>

namespace rv {

// A database with a lock file beside it (.ldb for .mdb, .laccdb for .accdb)
// that something may hold: probably open in the records system, so that a
// copy may catch it halfway through a change.
struct OpenDatabase {
    std::string name;     // the database's file name
    std::string lockFile; // the lock file's full path
};

std::vector<OpenDatabase> findOpenDatabases(const Settings& settings);

// The window's question before copying; the answer defaults to no.
std::string describeOpenDatabasesQuestion(const std::vector<OpenDatabase>& open);
// The unattended mode's warning line for one of them.
std::string describeOpenDatabaseWarning(const OpenDatabase& open);

} // namespace rv
