#include "folder_picker_test.h"

#include "qt/backup/folder_picker.h"

#include <QApplication>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

QString FolderPickerTest::pick(QWidget* owner, const std::function<void(QFileDialog&)>& answer)
{
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            poll.stop();
            answer(*dialog);
        }
    });
    poll.start(10);
    return rv::backup::DialogFolderPicker().chooseFolder(owner);
}

void FolderPickerTest::asksWithQtsOwnFolderDialogOwnedByTheWindow()
{
    QWidget window;
    window.show();
    QTemporaryDir chosen;
    QString title;
    QWidget* parent = nullptr;
    QFileDialog::Options options;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    const QString answer = pick(&window, [&](QFileDialog& dialog) {
        title = dialog.windowTitle();
        parent = dialog.parentWidget();
        options = dialog.options();
        mode = dialog.fileMode();
        dialog.setDirectory(chosen.path());
        static_cast<QDialog&>(dialog).accept(); // public in QDialog, the file dialog's own
    });

    QCOMPARE(title, QStringLiteral("フォルダの選択"));
    QCOMPARE(parent, &window);
    QVERIFY(options.testFlag(QFileDialog::ShowDirsOnly));
    QVERIFY(options.testFlag(QFileDialog::DontUseNativeDialog));
    QCOMPARE(mode, QFileDialog::Directory);
    QCOMPARE(answer, chosen.path());
}

void FolderPickerTest::cancelGivesAnEmptyAnswer()
{
    QWidget window;
    window.show();
    QCOMPARE(pick(&window, [](QFileDialog& dialog) { dialog.reject(); }), QString());
}

QTEST_MAIN(FolderPickerTest)
