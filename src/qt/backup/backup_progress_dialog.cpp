#include "qt/backup/backup_progress_dialog.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace rv::backup {
namespace {

// The bar counts thousandths, as the progress text does.
constexpr int kBarSteps = 1000;

} // namespace

BackupProgressDialog::BackupProgressDialog(QWidget* owner, const ProgressDialogTexts& texts) : QDialog(owner)
{
    setObjectName(QString::fromUtf8(texts.objectName));
    setWindowTitle(QStringLiteral("RVシステム"));
    setModal(true);

    item_ = new QLabel(QString::fromUtf8(texts.preparing), this);
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
    setAccessibleName(QString::fromUtf8(texts.accessibleName));
    bar_->setAccessibleName(QString::fromUtf8(texts.barName));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(item_);
    layout->addWidget(counts_);
    layout->addWidget(bar_);
    layout->addWidget(cancel_, 0, Qt::AlignHCenter);
    setMinimumWidth(420);
    // The one thing to do here is to stop; Enter or Space do it at once.
    cancel_->setFocus();
}

void BackupProgressDialog::showProgress(const ProgressText& progress)
{
    if (cancelRequested_) {
        return;
    }
    item_->setText(QString::fromStdString(progress.item));
    counts_->setText(QString::fromStdString(progress.counts));
    bar_->setValue(progress.permille);
}

void BackupProgressDialog::reject() { requestCancel(); }

void BackupProgressDialog::requestCancel()
{
    if (cancelRequested_) {
        return;
    }
    cancelRequested_ = true;
    item_->setText(QString::fromUtf8(kCancellingText));
    cancel_->setEnabled(false);
    emit cancelRequested();
}

} // namespace rv::backup
