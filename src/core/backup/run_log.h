#pragma once

#include "backup/backup_run.h"

#include <functional>
#include <string>
#include <vector>

namespace rv {

enum class LogLevel { Info, Warning };

// Where a run's log lines go: the front end's own log (a Qt category, the
// debugger output). Called on whichever thread the line arises on.
using RunLog = std::function<void(LogLevel level, const std::string& line)>;

// The log lines of one finished item: one for the item, and one more for each
// file of the data folder that was not copied.
std::vector<std::string> describeItemForLog(const ItemResult& item);

} // namespace rv
