#pragma once

#include <QLoggingCategory>

// The front end's log. Only warnings show by default; turn the rest on with
// QT_LOGGING_RULES, e.g. "rv.speech.info=true".
Q_DECLARE_LOGGING_CATEGORY(rvStartup)
Q_DECLARE_LOGGING_CATEGORY(rvBackup)
Q_DECLARE_LOGGING_CATEGORY(rvSpeech)
