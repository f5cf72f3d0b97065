#pragma once

#include "restore/restore_run.h"
#include "restore/restore_service.h"

#include <string_view>

namespace rv {

// What runRestore would replace and add, read from the record and the
// places the files go back to; nothing is written, and nothing is read but
// the record: a file there counts as replaced even where it holds what the
// record lists (the restore then leaves it as it is).
Result<RestorePreview, RestoreRefusal> previewRestore(std::string_view programFolder, const GenerationPlaces& source);

} // namespace rv
