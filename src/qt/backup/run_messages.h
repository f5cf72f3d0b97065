#pragma once

#include "backup/backup_message.h"
#include "backup/run_log.h"
#include "qt/message_boxes.h"

#include <string>

class QWidget;

namespace rv::backup {

// A box of the core's (a refusal, a closing message) shown owned by owner.
void showResultMessage(ui::MessageBoxes& messages, QWidget* owner, const ResultMessage& message);
// A run's log line (a backup's or a restore's), under rv.backup.
void logRunLine(LogLevel level, const std::string& line);

} // namespace rv::backup
