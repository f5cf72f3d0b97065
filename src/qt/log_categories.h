#pragma once

#include <QLoggingCategory>

// The front end's log, off by default; switch on with e.g.
// QT_LOGGING_RULES="rv.startup.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcStartup)
Q_DECLARE_LOGGING_CATEGORY(lcBackup)
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)
