#include "qt/log_categories.h"

// Only warnings pass unless the rules ask for more.
Q_LOGGING_CATEGORY(lcStartup, "rv.startup", QtWarningMsg)
Q_LOGGING_CATEGORY(lcBackup, "rv.backup", QtWarningMsg)
Q_LOGGING_CATEGORY(lcSpeech, "rv.speech", QtWarningMsg)
