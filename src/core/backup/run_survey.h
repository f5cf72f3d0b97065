#pragma once

#include "backup/backup_plan.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace rv {

struct StepSurvey {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// What each step will copy, for the progress totals: a single file by its
// size, the data folder by a walk that counts and keeps no names. A cancel
// ends the count; a folder that cannot be walked is met again at its turn.
std::vector<StepSurvey> survey(const BackupPlan& plan, const std::atomic<bool>& cancel);

// The steps' files and bytes together.
StepSurvey total(const std::vector<StepSurvey>& surveys);

} // namespace rv
