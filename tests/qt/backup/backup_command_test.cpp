#include "backup_command_test.h"

#include "qt/backup/backup_command.h"
#include "support/held_copies.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>

using rv::backup::BackupCommand;
using rv::testing::kDefaultDatabaseOrder;
using rv::testing::readFile;

namespace fs = std::filesystem;

void BackupCommandTest::init()
{
    clinic_ = std::make_unique<rv::testing::SampleClinic>();
    messages_.shown.clear();
    picker_ = ScriptedFolderPicker();
}

void BackupCommandTest::cleanup()
{
    window_.reset();
    clinic_.reset();
}

void BackupCommandTest::openWindow()
{
    settings_ = clinic_->settings();
    window_ = std::make_unique<rv::ui::MainWindow>(settings_, QString::fromStdString(clinic_->program.str()));
    window_->findChild<BackupCommand*>(QStringLiteral("backupCommand"))->setDialogs(messages_, picker_);
    window_->show();
}

void BackupCommandTest::clickBackup()
{
    QTest::mouseClick(window_->findChild<QPushButton*>(QStringLiteral("Command13")), Qt::LeftButton);
}

void BackupCommandTest::clickCopiesEverythingIntoTheChosenFolder()
{
    clinic_->addDatabases(kDefaultDatabaseOrder);
    clinic_->addDataFiles({"患者/0001/写真.jpg"});
    openWindow();
    picker_.nextAnswer = backupFolder();
    clickBackup();

    QCOMPARE(picker_.calls, 1);
    QCOMPARE(picker_.lastOwner, window_.get());
    QCOMPARE(window_->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), backupFolder());
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].caption, QStringLiteral("RVシステム"));
    QCOMPARE(messages_.shown[0].text, QStringLiteral("データのバックアップが終わりました。"));
    QCOMPARE(messages_.shown[0].icon, rv::ui::MessageBoxes::Icon::None);
    QVERIFY(messages_.shown[0].hadOwner);
    for (const auto& name : kDefaultDatabaseOrder) {
        QCOMPARE(readFile(clinic_->backup.path() / name), readFile(clinic_->program.path() / name));
    }
    QCOMPARE(readFile(clinic_->backup.path() / "GDATA/患者/0001/写真.jpg"),
             readFile(clinic_->program.path() / "GDATA/患者/0001/写真.jpg"));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void BackupCommandTest::longRunShowsProgressKeepsTheWindowStillAndCancels()
{
    // The first database's copy waits, as on a slow disk, until the test
    // lets it go.
    rv::testing::HeldCopies held;
    clinic_->addDatabases({"Tavo51.mdb", "予約51.mdb"});
    openWindow();
    picker_.nextAnswer = backupFolder();

    bool dialogShown = false;
    bool busyPointer = false;
    QString itemText;
    int pickerCallsDuringRun = 0;
    QSignalSpy backupClicks(window_->findChild<QPushButton*>(QStringLiteral("Command13")), &QPushButton::clicked);
    QSignalSpy exitClicks(window_->findChild<QPushButton*>(QStringLiteral("Command4")), &QPushButton::clicked);
    int clicksDuringRun = -1;
    QTimer::singleShot(BackupCommand::kProgressDelay + std::chrono::milliseconds(400), this, [&] {
        auto* dialog = window_->findChild<QDialog*>(QStringLiteral("backupProgress"));
        dialogShown = dialog != nullptr && dialog->isVisible();
        busyPointer = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::BusyCursor;
        // Neither button of the main window starts anything now.
        QTest::mouseClick(window_->findChild<QPushButton*>(QStringLiteral("Command13")), Qt::LeftButton);
        QTest::mouseClick(window_->findChild<QPushButton*>(QStringLiteral("Command4")), Qt::LeftButton);
        QTest::keyClick(window_->findChild<QPushButton*>(QStringLiteral("Command13")), Qt::Key_Space);
        pickerCallsDuringRun = picker_.calls;
        clicksDuringRun = static_cast<int>(backupClicks.count() + exitClicks.count());
        if (dialog) {
            itemText = dialog->findChild<QLabel*>(QStringLiteral("progressItem"))->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("progressCancel")), Qt::LeftButton);
        }
        held.release();
    });
    clickBackup();

    QVERIFY(dialogShown);
    QVERIFY(busyPointer);
    QCOMPARE(pickerCallsDuringRun, 1);
    // The click that started the run is counted only once the run is over.
    QCOMPARE(clicksDuringRun, 0);
    QCOMPARE(itemText, QStringLiteral("Tavo51.mdb をコピーしています（1 / 14）"));
    QCOMPARE(messages_.shown.size(), std::size_t{1});
    QCOMPARE(messages_.shown[0].icon, rv::ui::MessageBoxes::Icon::Warning);
    QVERIFY2(messages_.shown[0].text.startsWith(
                 QStringLiteral("データのバックアップを中止しました。次のものはコピーしていません。\n"
                                "・Tavo51.mdb：中止しました\n"
                                "・Tavo2_51.mdb：中止しました\n")),
             qPrintable(messages_.shown[0].text));
    QVERIFY(messages_.shown[0].text.contains(QStringLiteral("・予約51.mdb：中止しました")));
    QVERIFY(fs::is_empty(clinic_->backup.path()));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(window_->findChild<QDialog*>(QStringLiteral("backupProgress")) == nullptr);

    // Once the run is over, the button works again.
    picker_.nextAnswer.clear();
    clickBackup();
    QCOMPARE(picker_.calls, 2);
}

void BackupCommandTest::openDatabasesAreCopiedOnlyWhenTheUserSaysYes()
{
    clinic_->addDatabases({"予約51.mdb"});
    rv::testing::writeFile(clinic_->program.path() / rv::testing::u8path("予約51.ldb"), "lock");
    openWindow();
    for (const bool yes : {false, true}) {
        messages_.asked.clear();
        messages_.answerYes = yes;
        picker_.nextAnswer = backupFolder();
        clickBackup();

        QCOMPARE(messages_.asked.size(), std::size_t{1});
        QVERIFY(messages_.asked[0].hadOwner);
        QCOMPARE(messages_.asked[0].caption, QStringLiteral("RVシステム"));
        QVERIFY2(messages_.asked[0].text.contains(QStringLiteral("\n・予約51.mdb\n")),
                 qPrintable(messages_.asked[0].text));
        QCOMPARE(fs::exists(clinic_->backup.path() / rv::testing::u8path("予約51.mdb")), yes);
        QCOMPARE(messages_.shown.size(), std::size_t{yes ? 1U : 0U});
    }
}

void BackupCommandTest::clickDuringTheFolderDialogStartsNothing()
{
    clinic_->addDatabases({"予約51.mdb"});
    openWindow();
    // As a screen reader's Invoke would press it, past the dialog's modality.
    picker_.whileOpen = [this] { window_->findChild<QPushButton*>(QStringLiteral("Command13"))->click(); };
    picker_.nextAnswer = backupFolder();
    clickBackup();

    QCOMPARE(picker_.calls, 1);
    QCOMPARE(messages_.shown.size(), std::size_t{1});
}

void BackupCommandTest::closingTheWindowDuringARunCancelsWaitsAndCloses()
{
    rv::testing::HeldCopies held;
    clinic_->addDatabases({"Tavo51.mdb", "予約51.mdb"});
    openWindow();
    picker_.nextAnswer = backupFolder();
    bool closedAtOnce = true;
    QTimer::singleShot(BackupCommand::kProgressDelay, this, [&] {
        closedAtOnce = window_->close();
        held.release();
    });
    clickBackup();

    QVERIFY(!closedAtOnce);
    QVERIFY(!window_->isVisible());
    QVERIFY(messages_.shown.empty());
    QVERIFY(!fs::exists(clinic_->backup.path() / rv::testing::u8path("予約51.mdb")));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void BackupCommandTest::escapeOnTheScreensQuestionIsNo()
{
    rv::ui::ScreenMessageBoxes screen;
    QWidget owner;
    owner.show();
    bool pressed = false;
    QTimer::singleShot(0, this, [&pressed] {
        if (QWidget* question = QApplication::activeModalWidget()) {
            QTest::keyClick(question, Qt::Key_Escape);
            pressed = true;
        }
    });
    QVERIFY(!screen.askYesNo(&owner, QStringLiteral("RVシステム"), QStringLiteral("コピーしますか？")));
    QVERIFY(pressed);
}

QTEST_MAIN(BackupCommandTest)
