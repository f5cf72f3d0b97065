#include "backup_progress_dialog_test.h"

#include "qt/backup/backup_progress_dialog.h"

#include <QAccessible>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using rv::backup::BackupProgressDialog;

void BackupProgressDialogTest::showsItemFilesAndBytes()
{
    BackupProgressDialog dialog(nullptr);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("RVシステム"));
    QVERIFY(dialog.isModal());
    rv::BackupProgress progress;
    progress.item = "予約51.mdb";
    progress.itemNumber = 3;
    progress.itemCount = 14;
    progress.filesDone = 1234;
    progress.filesTotal = 20013;
    progress.bytesDone = std::uint64_t{5} << 20;
    progress.bytesTotal = std::uint64_t{1600} << 20;
    dialog.showProgress(rv::describeProgress(progress));

    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("progressItem"))->text(),
             QStringLiteral("予約51.mdb をコピーしています（3 / 14）"));
    QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("progressCounts"))->text(),
             QStringLiteral("ファイル 1,234 / 20,013 個　　5.0 MB / 1,600.0 MB"));
    auto* bar = dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    QCOMPARE(bar->value() * 1000 / bar->maximum(), 3);
}

void BackupProgressDialogTest::aScreenReaderReadsItemAndProgress()
{
    BackupProgressDialog dialog(nullptr);
    rv::BackupProgress progress;
    progress.item = "GDATA";
    progress.itemNumber = 14;
    progress.itemCount = 14;
    progress.bytesDone = 1;
    progress.bytesTotal = 2;
    dialog.showProgress(rv::describeProgress(progress));

    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(&dialog);
    QVERIFY(window);
    QCOMPARE(window->text(QAccessible::Name), QStringLiteral("データのバックアップ中"));
    QStringList read;
    for (int i = 0; i < window->childCount(); ++i) {
        QAccessibleInterface* child = window->child(i);
        QString line = QString::number(child->role()) + ' ' + child->text(QAccessible::Name);
        if (QAccessibleValueInterface* value = child->valueInterface()) {
            line += ' ' + value->currentValue().toString();
        }
        read << line;
    }
    QCOMPARE(read, (QStringList{QString::number(QAccessible::StaticText) + " GDATA をコピーしています（14 / 14）",
                                QString::number(QAccessible::StaticText) + " ファイル 0 / 0 個　　0.0 MB / 0.0 MB",
                                QString::number(QAccessible::ProgressBar) + " バックアップの進み具合 500",
                                QString::number(QAccessible::Button) + " 中止"}));
}

void BackupProgressDialogTest::cancelIsAskedOnceByButtonEscapeOrClose()
{
    for (const QString& how : {QStringLiteral("button"), QStringLiteral("escape"), QStringLiteral("close")}) {
        BackupProgressDialog dialog(nullptr);
        dialog.show();
        QSignalSpy cancels(&dialog, &BackupProgressDialog::cancelRequested);
        auto* button = dialog.findChild<QPushButton*>(QStringLiteral("progressCancel"));
        QCOMPARE(button->text(), QStringLiteral("中止"));
        if (how == QStringLiteral("button")) {
            QTest::mouseClick(button, Qt::LeftButton);
        } else if (how == QStringLiteral("escape")) {
            QTest::keyClick(&dialog, Qt::Key_Escape);
        } else {
            dialog.close();
        }
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(cancels.count(), 1);
        QVERIFY(!button->isEnabled());
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("progressItem"))->text(), QStringLiteral("中止しています"));
        // Later figures do not hide that a stop was asked for.
        dialog.showProgress(rv::describeProgress(rv::BackupProgress{}));
        QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("progressItem"))->text(), QStringLiteral("中止しています"));
    }
}

QTEST_MAIN(BackupProgressDialogTest)
