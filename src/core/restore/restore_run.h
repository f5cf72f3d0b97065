#pragma once

#include "generations/generation_list.h"
#include "restore/restore_service.h"

#include <atomic>
#include <functional>
#include <string_view>

namespace rv {

// Puts the files source's record lists back where the settings say (the
// program folder's rv.dat, else the backup's), each through a temporary
// name, flushed, read back against the record and renamed into place, with
// what it replaces kept aside beside it. Refused, with nothing touched, when
// the record is missing or damaged, the settings cannot be read, or a
// database looks open. Runs on the caller's thread; cancel stops it between
// and within files.
RestoreOutcome runRestore(std::string_view programFolder, const GenerationPlaces& source,
                          const std::function<void(const RestoreProgress&)>& onProgress,
                          const std::atomic<bool>& cancel);

// A restore that could not start.
RestoreOutcome refusedRestore(const RestoreRefusal& refusal);

} // namespace rv
