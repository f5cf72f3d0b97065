#pragma once

#include "common/result.h"
#include "platform/destination_folder.h"

#include <string>

namespace rv {

// A folder files go back to, as the settings name it: the folders on its
// path are the clinic's own and are followed. One that is not there (a new
// machine's) is made, below the nearest folder on its path that is there.
Result<platform::DestinationFolder, platform::FileError> openTargetFolder(const std::string& folder);

} // namespace rv
