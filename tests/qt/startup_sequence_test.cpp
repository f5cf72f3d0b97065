#include "startup_sequence_test.h"

#include "qt/main_window.h"
#include "qt/splash_window.h"
#include "qt/window_style.h"
#include "support/picture_checks.h"
#include "support/recording_message_boxes.h"
#include "support/recording_speech_backend.h"

#include <QApplication>
#include <QBackingStore>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using rv::StartupStep;

namespace {

constexpr std::chrono::milliseconds kTestPause{150};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The top-level windows that are on the screen, by object name.
QStringList visibleWindows()
{
    QStringList names;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            names << window->objectName();
        }
    }
    return names;
}

} // namespace

void StartupSequenceTest::initTestCase() { rv::ui::registerFontSubstitutions(); }

void StartupSequenceTest::init()
{
    clinic_ = std::make_unique<QTemporaryDir>();
    QVERIFY(clinic_->isValid());
    steps_.clear();
}

void StartupSequenceTest::splashIsPaintedBeforeThePauseAndStaysUntilTheMainWindowOpens()
{
    writeFile(clinic_->filePath(QStringLiteral("rv.dat")), QByteArray());
    QImage onScreenAfterPainting;
    QImage onScreenBeforeReading;
    QElapsedTimer sincePainted;
    qint64 pauseMs = -1;
    auto options = optionsFor(clinic_->path());
    options.afterStep = [&](StartupStep step, const rv::ui::SplashWindow* splash) {
        if (step == StartupStep::SplashShown) {
            blankOnScreen(splash);
        } else if (step == StartupStep::SplashPainted) {
            sincePainted.start();
            onScreenAfterPainting = screenImageOf(splash);
        } else if (step == StartupStep::Paused) {
            pauseMs = sincePainted.elapsed();
            onScreenBeforeReading = screenImageOf(splash);
        }
    };
    rv::StartupSequence startup(options, messages_);
    const auto opened = startup.run();
    QVERIFY(opened.ok());

    // The order of the steps is the core's (tests/core/startup); here, what
    // the Qt windows put on the screen between them.
    QVERIFY(pauseMs >= kTestPause.count());
    // What the screen held: the picture with both labels over it.
    const QImage picture(QStringLiteral(":/pictures/splash.jpg"));
    for (const QImage& onScreen : {onScreenAfterPainting, onScreenBeforeReading}) {
        QCOMPARE(onScreen.size(), QSize(506, 175));
        QCOMPARE(onScreen.pixelColor(40, 40), picture.pixelColor(40, 40));
        QCOMPARE(onScreen.pixelColor(480, 20), picture.pixelColor(480, 20));
        QVERIFY(pixelsNear(onScreen, QRect(216, 96, 289, 25), QColor(0, 64, 0)) > 100);
        QVERIFY(pixelsNear(onScreen, QRect(256, 128, 249, 33), QColor(0, 64, 0)) > 150);
    }
}

void StartupSequenceTest::mainWindowOpensAloneWithTheBackupButtonFocused()
{
    writeFile(clinic_->filePath(QStringLiteral("rv.dat")), QByteArray());
    rv::StartupSequence startup(optionsFor(clinic_->path()), messages_);
    const auto opened = startup.run();
    QVERIFY(opened.ok());
    QVERIFY(QTest::qWaitForWindowActive(opened.value()));
    QCOMPARE(visibleWindows(), QStringList{QStringLiteral("選択3")});
    QCOMPARE(QApplication::focusWidget(), opened.value()->findChild<QPushButton*>(QStringLiteral("Command13")));
    QVERIFY(messages_.shown.empty());
    // An empty rv.dat leaves every path to its default beside the program.
    QCOMPARE(QString::fromStdString(startup.settings().BackupSources[15]), clinic_->filePath(QStringLiteral("GDATA")));
}

void StartupSequenceTest::missingSettingsFileIsReportedAndNoMainWindowOpens()
{
    rv::StartupSequence startup(optionsFor(clinic_->path()), messages_);
    const auto opened = startup.run();
    QVERIFY(!opened.ok());
    QCOMPARE(opened.error().errorNumber, 53);

    QCOMPARE(messages_.shown.size(), std::size_t{1});
    const auto& shown = messages_.shown.front();
    QCOMPARE(shown.caption, QStringLiteral("RVシステム"));
    QCOMPARE(shown.text, QStringLiteral("実行時エラー '53':\n\nファイルが見つかりません。\n\n") +
                             clinic_->filePath(QStringLiteral("rv.dat")));
    QVERIFY(shown.hadOwner); // over the splash, which is still up
    QVERIFY(visibleWindows().isEmpty());
    QVERIFY(!QApplication::activeWindow());
}

void StartupSequenceTest::speechStartsAsThePauseBeginsAndSpeaksThroughTheMainWindow()
{
    writeFile(clinic_->filePath(QStringLiteral("rv.dat")), QByteArray());
    auto speech = std::make_shared<RecordingSpeechBackend>();
    std::vector<StartupStep> stepsBeforeSpeech;
    rv::StartupOptions options = optionsFor(clinic_->path());
    options.startSpeech = [&]() -> std::shared_ptr<rv::ui::SpeechBackend> {
        stepsBeforeSpeech = steps_;
        return speech;
    };
    rv::StartupSequence startup(std::move(options), messages_);
    const auto opened = startup.run();
    QVERIFY(opened.ok());
    QVERIFY(QTest::qWaitForWindowActive(opened.value()));

    QCOMPARE(stepsBeforeSpeech.back(), StartupStep::PointerReset);
    QCOMPARE(speech->calls,
             QStringList({QStringLiteral("speak ＲＶシステムのデータバックアップ"), QStringLiteral("hold"),
                          QStringLiteral("interrupt"), QStringLiteral("speak データバックアップ")}));
}

void StartupSequenceTest::cleanup()
{
    messages_.shown.clear();
    QVERIFY(QDir::setCurrent(QDir::tempPath())); // let the clinic folder go
    clinic_.reset();
}

rv::StartupOptions StartupSequenceTest::optionsFor(const QString& programFolder)
{
    rv::StartupOptions options;
    options.programFolder = programFolder;
    options.pause = kTestPause;
    options.afterStep = [this](StartupStep step, const rv::ui::SplashWindow*) { steps_.push_back(step); };
    return options;
}

void StartupSequenceTest::blankOnScreen(const rv::ui::SplashWindow* splash)
{
    QBackingStore* store = splash->backingStore();
    const QRect all(QPoint(0, 0), splash->size());
    store->beginPaint(all);
    QPainter painter(store->paintDevice());
    painter.fillRect(all, Qt::black);
    painter.end();
    store->endPaint();
    store->flush(all);
}

QImage StartupSequenceTest::screenImageOf(const rv::ui::SplashWindow* splash)
{
    if (!splash || !splash->isVisible()) {
        return {};
    }
    return splash->screen()->grabWindow(splash->winId()).toImage();
}

QTEST_MAIN(StartupSequenceTest)
