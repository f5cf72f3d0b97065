#include "qt/backup/backup_progress_dialog.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv::backup {
namespace {

constexpr int kBarSteps = 1000;

QString megabytes(std::uint64_t bytes)
{
    return QLocale(QLocale::Japanese).toString(static_cast<double>(bytes) / (1024.0 * 1024.0), 'f', 1) + " MB";
}

QString count(std::uint64_t value) { return QLocale(QLocale::Japanese).toString(static_cast<qulonglong>(value)); }

} // namespace

BackupProgressDialog::BackupProgressDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("backupProgress"));
    setWindowTitle(QStringLiteral("RVシステム"));
    setModal(true);

    item_ = new QLabel(QStringLiteral("コピーの準備をしています"), this);
    item_->setObjectName(QStringLiteral("progressItem"));
    counts_ = new QLabel(this);
    counts_->setObjectName(QStringLiteral("progressCounts"));
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setRange(0, kBarSteps);
    bar_->setValue(0);
    cancel_ = new QPushButton(QStringLiteral("中止"), this);
    cancel_->setObjectName(QStringLiteral("progressCancel"));
    cancel_->setAutoDefault(false);
    connect(cancel_, &QPushButton::clicked, this, &BackupProgressDialog::requestCancel);

    // For screen readers: the labels are read by their text (its changes
    // reach them as name changes), the bar by this name and its value.
    setAccessibleName(QStringLiteral("データのバックアップ中"));
    bar_->setAccessibleName(QStringLiteral("バックアップの進み具合"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(item_);
    layout->addWidget(counts_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    setMinimumWidth(420);
    // The one thing to do here is to stop; Enter or Space do it at once.
    cancel_->setFocus();
}

void BackupProgressDialog::showProgress(const BackupProgress& progress)
{
    if (cancelRequested_) {
        return;
    }
    item_->setText(QStringLiteral("%1 をコピーしています（%2 / %3）")
                       .arg(QString::fromStdString(progress.item))
                       .arg(progress.itemNumber)
                       .arg(progress.itemCount));
    counts_->setText(QStringLiteral("ファイル %1 / %2 個　　%3 / %4")
                         .arg(count(progress.filesDone), count(progress.filesTotal), megabytes(progress.bytesDone),
                              megabytes(progress.bytesTotal)));
    const double done = progress.bytesTotal == 0
                            ? 0.0
                            : static_cast<double>(std::min(progress.bytesDone, progress.bytesTotal)) /
                                  static_cast<double>(progress.bytesTotal);
    bar_->setValue(static_cast<int>(done * kBarSteps));
}

void BackupProgressDialog::reject() { requestCancel(); }

void BackupProgressDialog::requestCancel()
{
    if (cancelRequested_) {
        return;
    }
    cancelRequested_ = true;
    item_->setText(QStringLiteral("中止しています"));
    cancel_->setEnabled(false);
    emit cancelRequested();
}

} // namespace rv::backup
