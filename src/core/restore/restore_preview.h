#pragma once

#include "restore/restore_run.h"
#include "restore/restore_service.h"

#include <string_view>

namespace rv {

// What runRestore would replace and add, read from the record and the
// places the files go back to; nothing is written.
Result<RestorePreview, RestoreRefusal> previewRestore(std::string_view programFolder, const GenerationPlaces& source);

} // namespace rv
