#pragma once

#include "backup/progress_text.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace rv::backup {

// What the dialog says of the run it follows, before the first figures and
// to a screen reader.
struct ProgressDialogTexts {
    const char* objectName;
    const char* preparing;
    const char* accessibleName;
    const char* barName;
};

inline constexpr ProgressDialogTexts kBackupProgressTexts{"backupProgress", kPreparingText, "データのバックアップ中",
                                                          "バックアップの進み具合"};

// Shows how far a backup run (or a restore) has come and offers "中止".
// Modal: while it is up, nothing else of the program takes input.
class BackupProgressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit BackupProgressDialog(QWidget* owner, const ProgressDialogTexts& texts = kBackupProgressTexts);

    void showProgress(const ProgressText& progress);

signals:
    // Once, when the user asks to stop: the button, Escape or closing the dialog.
    void cancelRequested();

protected:
    void reject() override;

private:
    void requestCancel();

    QLabel* item_ = nullptr;
    QLabel* counts_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool cancelRequested_ = false;
};

} // namespace rv::backup
