#pragma once

#include "qt/backup/backup_progress_dialog.h"
#include "qt/backup/run_input_guard.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <functional>

namespace rv::backup {

// The progress dialog appears only for a run that lasts longer than this.
inline constexpr std::chrono::milliseconds kProgressDelay{500};
// How often the progress dialog takes the latest figures.
inline constexpr std::chrono::milliseconds kProgressRefresh{100};

// For a job's onFinished hook: quits untilDone from the job's worker thread,
// queued, as the loop runs on the window's thread.
inline std::function<void()> quitFromWorker(QEventLoop* untilDone)
{
    return [untilDone] { QMetaObject::invokeMethod(untilDone, &QEventLoop::quit, Qt::QueuedConnection); };
}

// Shows a job's progress (a backup's or a restore's) until its worker has
// ended, passing the dialog's cancel on. window takes no input meanwhile;
// untilDone is the loop the job's onFinished quits.
template <typename Job>
void showProgressUntilDone(QWidget& window, Job& job, QEventLoop& untilDone, const ProgressDialogTexts& texts)
{
    const RunInputGuard guard(window);
    BackupProgressDialog dialog(&window, texts);
    QObject::connect(&dialog, &BackupProgressDialog::cancelRequested, &dialog, [&job] { job.cancel(); });
    QTimer refresh;
    QObject::connect(&refresh, &QTimer::timeout, &dialog, [&job, &dialog] {
        if (auto progress = job.takeProgress()) {
            dialog.showProgress(*progress);
        }
    });
    refresh.start(kProgressRefresh);
    QTimer::singleShot(kProgressDelay, &dialog, [&dialog] { dialog.show(); });
    if (!job.isFinished()) {
        untilDone.exec();
    }
}

} // namespace rv::backup
