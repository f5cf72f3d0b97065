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

// "N 件中 M 件をコピーしました", the same in the record and in the unattended
// summary: of the items there were to copy, how many were copied. An
// optional source not at its default path is not counted, as the closing
// message names it apart as information, not as a failure.
std::string describeItemCounts(const BackupResult& result);

ResultMessage describeRefusal(PlanRefusal refusal);

} // namespace rv
