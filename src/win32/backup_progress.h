#pragma once

#include "backup/backup_job.h"

#include <windows.h>

namespace rv::win32 {

// The hooks of a job that the progress window waits for: the job's lines go
// to the program's log, and its end wakes the wait on this thread.
BackupJob::Hooks progressWindowHooks();

// The progress window over a started job, owned by owner, until the job's
// worker has ended.
void waitBehindProgressWindow(HWND owner, BackupJob& job);

// The message box of a run, owned by owner.
void showResultBox(HWND owner, const ResultMessage& message);

} // namespace rv::win32
