#pragma once

#include "backup/backup_run.h"

#include <functional>
#include <string>

namespace rv {

enum class LogLevel { Info, Warning };

// Where a run's log lines go: the front end's own log (a Qt category, the
// debugger output). Called on whichever thread the line arises on.
using RunLog = std::function<void(LogLevel level, const std::string& line)>;

// The log line of a finished item. Names are escaped (printable): one line
// is one item, whatever the names hold.
std::string describeItemForLog(const ItemResult& item);

// The log line of an entry of the data folder that was not copied.
std::string describeFileForLog(const FileFailure& failure);

} // namespace rv
