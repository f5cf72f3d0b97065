#include "restore_window_test.h"

#include "qt/backup/job_progress.h"
#include "qt/restore/restore_window.h"
#include "qt/window_style.h"
#include "support/fake_restore_service.h"
#include "support/recording_message_boxes.h"
#include "support/recording_speech_backend.h"
#include "support/scripted_folder_picker.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using rv::testing::FakeRestoreService;
using rv::ui::RestoreWindow;

namespace {

// A restore window over a fake service and an empty program folder (no
// speech libraries), its dialogs answered by the test.
struct WindowUnderTest {
    WindowUnderTest() { window.setDialogs(messages, picker); }

    template <typename T> T* child(const char* name) { return window.findChild<T*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }

    // Chooses the backup folder and picks the earlier generation.
    void pickEarlier()
    {
        picker.nextAnswer = QStringLiteral("/media/bk");
        QTest::mouseClick(button("chooseFolder"), Qt::LeftButton);
        auto* generations = child<QTreeWidget>("generations");
        generations->setCurrentItem(generations->topLevelItem(1));
    }

    QTemporaryDir programFolder;
    FakeRestoreService service;
    RecordingMessageBoxes messages;
    ScriptedFolderPicker picker;
    std::shared_ptr<RecordingSpeechBackend> speech = std::make_shared<RecordingSpeechBackend>();
    RestoreWindow window{service, programFolder.path(), speech};
};

QStringList focusSpeech(const char* caption)
{
    return {QStringLiteral("interrupt"), QStringLiteral("speak ") + QString::fromUtf8(caption)};
}

} // namespace

void RestoreWindowTest::initTestCase() { rv::ui::registerFontSubstitutions(); }

void RestoreWindowTest::openingSpeaksTheHeadingThenEachCaptionOnFocus()
{
    WindowUnderTest under;
    QCOMPARE(under.speech->calls, QStringList({QStringLiteral("speak データの復元"), QStringLiteral("hold")}));
    under.speech->calls.clear();
    under.window.show();
    under.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&under.window));
    QCOMPARE(under.speech->calls, focusSpeech("バックアップフォルダの選択"));

    // The restore button is off until a generation is picked, so Tab passes it by.
    const char* const order[] = {"復元するバックアップ", "置き換わるファイル", "閉じる", "バックアップフォルダの選択"};
    for (const char* caption : order) {
        under.speech->calls.clear();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(under.speech->calls, focusSpeech(caption));
    }
}

void RestoreWindowTest::noAtTheQuestionTouchesNothingAndYesRestores()
{
    WindowUnderTest under;
    under.pickEarlier();
    QCOMPARE(under.picker.lastOwner, &under.window);
    QCOMPARE(under.child<QLabel>("chosenFolder")->text(), QStringLiteral("/media/bk"));
    auto* generations = under.child<QTreeWidget>("generations");
    QCOMPARE(generations->topLevelItemCount(), 2);
    QCOMPARE(generations->topLevelItem(0)->text(0), QStringLiteral("2026-12-08 18:30:05（最新）"));
    QCOMPARE(under.child<QListWidget>("replacedFiles")->count(), 2);
    QVERIFY(under.child<QLabel>("previewSummary")->text().startsWith(QStringLiteral("置き換わるファイル 2 個")));
    QVERIFY(under.button("restore")->isEnabled());

    QTest::mouseClick(under.button("restore"), Qt::LeftButton);
    QCOMPARE(under.messages.asked.size(), std::size_t{1});
    QVERIFY(under.messages.asked[0].text.contains(QStringLiteral("「復元前」")));
    QCOMPARE(under.service.restoreCalls(), std::size_t{0});
    QVERIFY(under.messages.shown.empty());

    under.messages.answerYes = true;
    QTest::mouseClick(under.button("restore"), Qt::LeftButton);
    QCOMPARE(under.service.restoreCalls(), std::size_t{1});
    QCOMPARE(under.service.calls.back(), std::string("restore /media/bk 2026-12-07 18-30-00"));
    QCOMPARE(under.messages.shown.size(), std::size_t{1});
    QVERIFY(under.messages.shown[0].text.startsWith(QStringLiteral("データの復元が終わりました。")));
    QCOMPARE(under.messages.shown[0].icon, rv::ui::MessageBoxes::Icon::Information);
}

void RestoreWindowTest::aFolderWithNoBackupIsRefused()
{
    WindowUnderTest under;
    under.service.listed = FakeRestoreService::Generations::failure(
        {rv::RestoreRefusal::Why::NoBackup, "このフォルダにはバックアップがありません。"});
    under.picker.nextAnswer = QStringLiteral("/media/empty");
    QTest::mouseClick(under.button("chooseFolder"), Qt::LeftButton);
    QCOMPARE(under.messages.shown.size(), std::size_t{1});
    QCOMPARE(under.messages.shown[0].text, QStringLiteral("このフォルダにはバックアップがありません。"));
    QCOMPARE(under.child<QTreeWidget>("generations")->topLevelItemCount(), 0);
    QVERIFY(!under.button("restore")->isEnabled());
}

void RestoreWindowTest::theProgressDialogsCancelReachesTheService()
{
    WindowUnderTest under;
    under.service.untilCancelled = true;
    under.messages.answerYes = true;
    under.pickEarlier();
    QString itemText;
    bool dialogShown = false;
    QTimer::singleShot(rv::backup::kProgressDelay + std::chrono::milliseconds(300), &under.window, [&] {
        auto* dialog = under.child<QDialog>("restoreProgress");
        dialogShown = dialog != nullptr && dialog->isVisible();
        if (dialog) {
            itemText = dialog->findChild<QLabel*>(QStringLiteral("progressItem"))->text();
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("progressCancel")), Qt::LeftButton);
        }
    });
    QTest::mouseClick(under.button("restore"), Qt::LeftButton);
    QVERIFY(dialogShown);
    // The cancel was pressed after the figures came; the dialog then says it is stopping.
    QCOMPARE(itemText, QStringLiteral("予約51.mdb を復元しています"));
    QVERIFY(under.service.sawCancel);
    QCOMPARE(under.messages.shown.size(), std::size_t{1});
}

void RestoreWindowTest::closingDuringARestoreCancelsItAndThenCloses()
{
    WindowUnderTest under;
    under.service.untilCancelled = true;
    under.messages.answerYes = true;
    under.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&under.window));
    under.pickEarlier();
    bool stayedOpen = false;
    QTimer::singleShot(std::chrono::milliseconds(100), &under.window,
                       [&] { stayedOpen = !under.window.close() && under.window.isVisible(); });
    QTest::mouseClick(under.button("restore"), Qt::LeftButton);
    QVERIFY(stayedOpen);
    QVERIFY(under.service.sawCancel);
    QVERIFY(!under.window.isVisible());
    QVERIFY(under.messages.shown.empty());
}

QTEST_MAIN(RestoreWindowTest)
