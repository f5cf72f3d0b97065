#include "main_window_test.h"

#include "qt/backup/backup_command.h"
#include "qt/window_style.h"
#include "support/picture_checks.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using rv::ui::MainWindow;

void MainWindowTest::initTestCase()
{
    rv::ui::registerFontSubstitutions();
    QVERIFY(programFolder_.isValid());
}

void MainWindowTest::init()
{
    window_ = std::make_unique<MainWindow>(settings_, programFolder_.path());
    // The backup button is pressed here too; its folder picker is answered
    // with a cancel instead of waiting for a person.
    window_->findChild<rv::backup::BackupCommand*>(QStringLiteral("backupCommand"))->setDialogs(messages_, picker_);
    window_->show();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

void MainWindowTest::cleanup() { window_.reset(); }

void MainWindowTest::windowIsFixedCaptionedAndCentred()
{
    QCOMPARE(window_->objectName(), QStringLiteral("選択3"));
    QCOMPARE(window_->windowTitle(), QStringLiteral("ＲＶシステムのデータバックアップ"));
    QCOMPARE(window_->size(), QSize(492, 251));
    QCOMPARE(window_->minimumSize(), window_->maximumSize());
    const QPoint screenCentre = window_->screen()->availableGeometry().center();
    QVERIFY((window_->geometry().center() - screenCentre).manhattanLength() <= 1);
}

void MainWindowTest::controlsHaveTheirPlacesTextsAndFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");
    QTest::newRow("Command13") << "Command13" << QRect(112, 104, 257, 33) << "データバックアップ" << 16;
    QTest::newRow("Command4") << "Command4" << QRect(176, 160, 137, 33) << "終了" << 19;
    QTest::newRow("Label1") << "Label1" << QRect(80, 40, 353, 33) << "ＲＶシステムのデータバックアップ" << 24;
}

void MainWindowTest::controlsHaveTheirPlacesTextsAndFonts()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    auto* control = window_->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), geometry);
    QCOMPARE(control->property("text").toString(), text);
    QCOMPARE(control->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(control->font().pixelSize(), pixelSize);
    QCOMPARE(control->font().weight(), QFont::Normal);
    QVERIFY(control->isVisible());
}

void MainWindowTest::hiddenTextBoxAndVoicePlace()
{
    auto* text1 = window_->findChild<QLineEdit*>(QStringLiteral("Text1"));
    QVERIFY(text1);
    QCOMPARE(text1->geometry(), QRect(376, 176, 89, 18));
    QCOMPARE(text1->text(), QStringLiteral("Text1"));
    QVERIFY(!text1->isVisible());
    QCOMPARE(text1->focusPolicy(), Qt::NoFocus);
    auto* voice = window_->findChild<QWidget*>(QStringLiteral("Voice1"));
    QVERIFY(voice);
    QCOMPARE(voice->geometry(), QRect(32, 184, 33, 32));
    QCOMPARE(voice->focusPolicy(), Qt::NoFocus);
}

void MainWindowTest::pictureAtNaturalSizeOverTheBackColour()
{
    const QImage painted = window_->grab().toImage();
    const QImage picture(QStringLiteral(":/pictures/main_window.jpg"));
    QCOMPARE(picture.size(), QSize(500, 250));
    // Not stretched: pixel for pixel, up to the right edge of the client.
    for (const QPoint at : {QPoint(0, 0), QPoint(3, 120), QPoint(491, 0), QPoint(491, 249), QPoint(40, 230)}) {
        QCOMPARE(painted.pixelColor(at), picture.pixelColor(at));
    }
    // The bottom row is the back colour.
    QCOMPARE(painted.pixelColor(0, 250), QColor(192, 192, 255));
    QCOMPARE(painted.pixelColor(491, 250), QColor(192, 192, 255));
    // The heading is dark blue text straight on the picture.
    const QRect heading(80, 40, 353, 33);
    QVERIFY(pixelsNear(painted, heading, QColor(0, 0, 192)) > 200);
    QCOMPARE(painted.pixelColor(heading.bottomRight()), picture.pixelColor(heading.bottomRight()));
}

void MainWindowTest::backupButtonHasTheFocusAndTabCyclesTheTwoButtons()
{
    auto* command13 = window_->findChild<QPushButton*>(QStringLiteral("Command13"));
    auto* command4 = window_->findChild<QPushButton*>(QStringLiteral("Command4"));
    QCOMPARE(QApplication::focusWidget(), command13);
    for (int press = 0; press < 3; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), command4);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), command13);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QCOMPARE(QApplication::focusWidget(), command4);
}

void MainWindowTest::enterAndSpacePressOnlyTheFocusedButtonEscapeNothing()
{
    auto* command13 = window_->findChild<QPushButton*>(QStringLiteral("Command13"));
    auto* command4 = window_->findChild<QPushButton*>(QStringLiteral("Command4"));
    QVERIFY(!command13->isDefault() && !command13->autoDefault());
    QVERIFY(!command4->isDefault() && !command4->autoDefault());
    QSignalSpy backupClicks(command13, &QPushButton::clicked);
    QSignalSpy exitClicks(command4, &QPushButton::clicked);

    QTest::keyClick(window_.get(), Qt::Key_Escape);
    QTest::keyClick(command13, Qt::Key_Escape);
    QTest::keyClick(window_.get(), Qt::Key_Return);
    QCOMPARE(backupClicks.count(), 0);
    QCOMPARE(exitClicks.count(), 0);
    QVERIFY(window_->isVisible());

    QTest::keyClick(command13, Qt::Key_Return);
    QTest::keyClick(command13, Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(command13, Qt::Key_Space);
    QCOMPARE(backupClicks.count(), 3);
    QCOMPARE(exitClicks.count(), 0);
}

void MainWindowTest::formLoadMakesTheProgramFolderCurrent()
{
    QTemporaryDir elsewhere;
    QVERIFY(QDir::setCurrent(elsewhere.path()));
    MainWindow window(settings_, programFolder_.path());
    QCOMPARE(QDir::currentPath(), QDir(programFolder_.path()).canonicalPath());
}

void MainWindowTest::closingTheWindowEndsTheProgram()
{
    QTimer::singleShot(0, window_.get(), [this] { window_->close(); });
    QCOMPARE(runProgramLoop(), 0);
}

void MainWindowTest::exitButtonEndsTheProgramAtOnce()
{
    auto* command4 = window_->findChild<QPushButton*>(QStringLiteral("Command4"));
    QTimer::singleShot(0, command4, [command4] { QTest::mouseClick(command4, Qt::LeftButton); });
    QCOMPARE(runProgramLoop(), 0);
}

// The application's own event loop, as main() runs it; 1 if it is still
// running after five seconds.
int MainWindowTest::runProgramLoop()
{
    QTimer tooLong;
    tooLong.setSingleShot(true);
    QObject::connect(&tooLong, &QTimer::timeout, qApp, [] { QCoreApplication::exit(1); });
    tooLong.start(5000);
    return QCoreApplication::exec();
}

QTEST_MAIN(MainWindowTest)
