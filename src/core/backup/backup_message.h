#pragma once

#include "backup/backup_plan.h"
#include "backup/backup_run.h"

#include <string>

namespace rv {

enum class MessageIcon { None, Information, Warning };

// The closing message box of a run, the same for every front end.
struct ResultMessage {
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::None;
};

inline constexpr const char* kMessageCaption = "RVシステム";

ResultMessage describeBackupResult(const BackupResult& result);

ResultMessage describeRefusal(PlanRefusal refusal);

} // namespace rv
