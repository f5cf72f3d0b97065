#include "main_window_speech_test.h"

#include "qt/backup/backup_command.h"
#include "qt/main_window.h"
#include "qt/speech/kana_reading.h"
#include "qt/speech/text_to_speech_synthesizer.h"
#include "qt/speech/threaded_speech_backend.h"
#include "qt/window_style.h"
#include "support/recording_message_boxes.h"
#include "support/recording_speech_backend.h"
#include "support/recording_synthesizer.h"
#include "support/stand_in_folder.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using rv::ui::MainWindow;

namespace {

const QString kHeading = QStringLiteral("ＲＶシステムのデータバックアップ");
const QString kBackupCaption = QStringLiteral("データバックアップ");
const QStringList kFocusSpeech{QStringLiteral("interrupt"), QStringLiteral("speak ") + kBackupCaption};

QPushButton* button(const MainWindow& window, const char* name)
{
    return window.findChild<QPushButton*>(QLatin1String(name));
}

// A main window over a program folder of its own, speaking through `speech`.
struct WindowUnderTest {
    WindowUnderTest(const StandInFolder& programFolder, std::shared_ptr<rv::ui::SpeechBackend> speech)
        : window(settings, programFolder.path(), nullptr, std::move(speech))
    {
    }

    // Shows the window and waits until it is active and a button has the focus.
    bool open()
    {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window) && QApplication::focusWidget();
    }

    const rv::Settings settings;
    MainWindow window;
};

// An opened main window whose speech is written down, the page cleared.
struct RecordedWindow {
    RecordedWindow()
    {
        opened = under.open();
        speech->calls.clear();
    }

    StandInFolder programFolder;
    std::shared_ptr<RecordingSpeechBackend> speech = std::make_shared<RecordingSpeechBackend>();
    WindowUnderTest under{programFolder, speech};
    MainWindow& window = under.window;
    bool opened = false;
};

} // namespace

void MainWindowSpeechTest::initTestCase() { rv::ui::registerFontSubstitutions(); }

void MainWindowSpeechTest::openingSpeaksHeadingBeforeFolderChangeThenCaption()
{
    StandInFolder programFolder;
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    QString folderWhenHeadingSent;
    auto speech = std::make_shared<RecordingSpeechBackend>([&](const QString& line) {
        if (line.startsWith(QStringLiteral("speak ") + kHeading))
            folderWhenHeadingSent = QDir::currentPath();
    });

    WindowUnderTest opened(programFolder, speech);
    QCOMPARE(speech->calls, QStringList({QStringLiteral("speak ") + kHeading, QStringLiteral("hold")}));
    QCOMPARE(folderWhenHeadingSent, QDir(elsewhere.path()).canonicalPath());
    QCOMPARE(QDir::current().canonicalPath(), QDir(programFolder.path()).canonicalPath());

    QVERIFY(opened.open());
    QCOMPARE(QApplication::focusWidget(), button(opened.window, "Command13"));
    QCOMPARE(speech->calls, QStringList({QStringLiteral("speak ") + kHeading, QStringLiteral("hold")}) + kFocusSpeech);
}

void MainWindowSpeechTest::tabbingBackToTheBackupButtonSpeaksItAgain()
{
    RecordedWindow recorded;
    QVERIFY(recorded.opened);
    const MainWindow& window = recorded.window;
    const auto& speech = recorded.speech;

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(window, "Command4"));
    QVERIFY(speech->calls.isEmpty());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(window, "Command13"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);

    QCOMPARE(speech->calls, kFocusSpeech + kFocusSpeech);
}

void MainWindowSpeechTest::clickFromTheExitButtonSpeaksBeforeTheClick()
{
    RecordedWindow recorded;
    QVERIFY(recorded.opened);
    const MainWindow& window = recorded.window;
    const auto& speech = recorded.speech;
    QPushButton* backup = button(window, "Command13");
    // The backup run starts by asking for the folder: the picker notes that
    // moment among the speech calls, and cancels.
    struct NotingPicker final : rv::backup::FolderPicker {
        explicit NotingPicker(QStringList& calls) : calls(calls) {}
        QString chooseFolder(QWidget*) override
        {
            calls << QStringLiteral("backup run");
            return {};
        }
        QStringList& calls;
    } picker(speech->calls);
    RecordingMessageBoxes messages;
    window.findChild<rv::backup::BackupCommand*>(QStringLiteral("backupCommand"))->setDialogs(messages, picker);
    button(window, "Command4")->setFocus();

    QTest::mouseClick(backup, Qt::LeftButton);

    QCOMPARE(speech->calls, kFocusSpeech + QStringList{QStringLiteral("backup run")});
    QVERIFY(messages.shown.empty());
    QCOMPARE(QApplication::focusWidget(), backup);
}

void MainWindowSpeechTest::focusReachesBothLibrariesInTheProgramFolder()
{
    StandInFolder programFolder;
    programFolder.install(QStringLiteral(RV_STAND_IN_SOUNDP), QStringLiteral("SOUNDP.DLL"));
    programFolder.install(QStringLiteral(RV_STAND_IN_FOCUS_TALK), QStringLiteral("FocusTalkExt.DLL"));
    auto speech =
        std::make_shared<RecordingSpeechBackend>([&programFolder](const QString& line) { programFolder.append(line); });
    WindowUnderTest opened(programFolder, speech);
    QVERIFY(opened.open());

    QCOMPARE(programFolder.journal(),
             QStringList({QStringLiteral("speak ") + kHeading, QStringLiteral("hold")}) + kFocusSpeech +
                 QStringList({QStringLiteral("SoundMessage ") + kBackupCaptionBytes + " 2",
                              QStringLiteral("FT_OutputVoiceText ") + kBackupCaptionBytes + " 2"}));
}

void MainWindowSpeechTest::engineHearsKanaWhileControlLogAndLibrariesGetTheCaptions()
{
    StandInFolder programFolder;
    programFolder.install(QStringLiteral(RV_STAND_IN_SOUNDP), QStringLiteral("SOUNDP.DLL"));
    programFolder.install(QStringLiteral(RV_STAND_IN_FOCUS_TALK), QStringLiteral("FocusTalkExt.DLL"));
    auto engine = std::make_shared<Transcript>();
    auto speech = std::make_shared<rv::ui::ThreadedSpeechBackend>(rv::ui::speakingKanaReadings(instantEngine(engine)));
    QLoggingCategory::setFilterRules(QStringLiteral("rv.speech.info=true"));
    QTest::ignoreMessage(QtInfoMsg, qPrintable(QStringLiteral("Voice1 0x60030002 ") + kHeading));
    QTest::ignoreMessage(QtInfoMsg, qPrintable(QStringLiteral("Voice1 0x60030002 ") + kBackupCaption));
    WindowUnderTest opened(programFolder, speech);
    QVERIFY(opened.open());
    const QString headingKana = QStringLiteral("アールブイシステムノデータバックアップ");
    QTRY_COMPARE(engine->lines(), QStringList({headingKana, kBackupCaption}));

    // The exit button, then the backup button again.
    QLoggingCategory::setFilterRules(QString());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(engine->lines().count(kBackupCaption), 2);

    // The first caption may have been cut off by the second.
    QStringList said = engine->lines();
    said.removeAll(QStringLiteral("(stop)"));
    QCOMPARE(said, QStringList({headingKana, kBackupCaption, kBackupCaption}));
    const QString soundMessage = QStringLiteral("SoundMessage ") + kBackupCaptionBytes + " 2";
    const QString outputVoiceText = QStringLiteral("FT_OutputVoiceText ") + kBackupCaptionBytes + " 2";
    QCOMPARE(programFolder.journal(), QStringList({soundMessage, outputVoiceText, soundMessage, outputVoiceText}));
}

void MainWindowSpeechTest::windowOpensAndWorksWhenTheEngineCannotStart()
{
    StandInFolder programFolder;
    auto speech = std::make_shared<rv::ui::ThreadedSpeechBackend>(
        rv::ui::textToSpeechSynthesizer(QStringLiteral("no-such-engine"), QLocale(QLocale::Japanese, QLocale::Japan)));
    WindowUnderTest opened(programFolder, speech);
    QVERIFY(opened.open());
    const MainWindow& window = opened.window;
    QTRY_COMPARE(speech->status(), rv::ui::ThreadedSpeechBackend::Status::Failed);

    QCOMPARE(QApplication::activeWindow(), &window);
    QCOMPARE(QApplication::focusWidget(), button(window, "Command13"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(window, "Command4"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button(window, "Command13"));
    QCOMPARE(QApplication::topLevelWidgets().count(&window), 1);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void MainWindowSpeechTest::screenReaderFindsNamedButtonsAndNothingElseFocusable()
{
    StandInFolder programFolder;
    WindowUnderTest opened(programFolder, nullptr);
    QVERIFY(opened.open());
    MainWindow& window = opened.window;

    QAccessibleInterface* windowAccess = QAccessible::queryAccessibleInterface(&window);
    QVERIFY(windowAccess);
    QCOMPARE(windowAccess->text(QAccessible::Name), kHeading);

    QStringList focusable;
    QStringList shown;
    for (int i = 0; i < windowAccess->childCount(); ++i) {
        QAccessibleInterface* child = windowAccess->child(i);
        const QString name = child->object()->objectName();
        if (child->state().focusable) {
            QCOMPARE(child->role(), QAccessible::Button);
            focusable << name + QLatin1Char(':') + child->text(QAccessible::Name);
        }
        if (!child->state().invisible)
            shown << name;
    }
    QCOMPARE(focusable, QStringList({QStringLiteral("Command13:") + kBackupCaption, QStringLiteral("Command4:終了")}));
    QVERIFY(!shown.contains(QStringLiteral("Text1")));

    QAccessibleInterface* heading = QAccessible::queryAccessibleInterface(window.findChild<QWidget*>("Label1"));
    QCOMPARE(heading->role(), QAccessible::StaticText);
    QCOMPARE(heading->text(QAccessible::Name), kHeading);
    QAccessibleInterface* focused = windowAccess->focusChild();
    QVERIFY(focused);
    QCOMPARE(focused->text(QAccessible::Name), kBackupCaption);
}

QTEST_MAIN(MainWindowSpeechTest)
