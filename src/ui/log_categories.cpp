#include "ui/log_categories.h"

Q_LOGGING_CATEGORY(rvStartup, "rv.startup", QtWarningMsg)
Q_LOGGING_CATEGORY(rvBackup, "rv.backup", QtWarningMsg)
Q_LOGGING_CATEGORY(rvSpeech, "rv.speech", QtWarningMsg)
