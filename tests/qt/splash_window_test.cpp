#include "splash_window_test.h"

#include "qt/splash_window.h"
#include "qt/window_style.h"
#include "support/picture_checks.h"

#include <QLabel>
#include <QScreen>
#include <QTest>

using rv::ui::SplashWindow;

void SplashWindowTest::initTestCase() { rv::ui::registerFontSubstitutions(); }

void SplashWindowTest::windowIsFixedCaptionlessAndCentred()
{
    SplashWindow splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QCOMPARE(splash.objectName(), QStringLiteral("frmSplash"));
    QCOMPARE(splash.size(), QSize(506, 175));
    QCOMPARE(splash.minimumSize(), splash.maximumSize());
    QVERIFY(splash.windowTitle().isEmpty());
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    // A splash screen window has no taskbar button.
    QCOMPARE(splash.windowType(), Qt::SplashScreen);
    const QPoint screenCentre = splash.screen()->availableGeometry().center();
    QVERIFY((splash.geometry().center() - screenCentre).manhattanLength() <= 1);
}

void SplashWindowTest::controlsHaveTheirPlacesTextsAndFonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("weight");
    QTest::newRow("Label4") << "Label4" << QRect(216, 96, 289, 25) << "Windows XP_VISTA_7_8_8.1_10 対応" << 17
                            << int(QFont::Bold);
    QTest::newRow("Label3") << "Label3" << QRect(256, 128, 249, 33) << "データバックアップ" << 27 << int(QFont::Normal);
}

void SplashWindowTest::controlsHaveTheirPlacesTextsAndFonts()
{
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(QString, text);
    QFETCH(int, pixelSize);
    QFETCH(int, weight);
    SplashWindow splash;
    auto* picture = splash.findChild<QLabel*>(QStringLiteral("Picture2"));
    QVERIFY(picture);
    QCOMPARE(picture->geometry(), QRect(0, 0, 506, 176));
    auto* label = picture->findChild<QLabel*>(name);
    QVERIFY(label);
    QCOMPARE(label->geometry(), geometry);
    QCOMPARE(label->text(), text);
    QCOMPARE(label->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
    QCOMPARE(label->font().pixelSize(), pixelSize);
    QVERIFY(QFontMetrics(label->font()).horizontalAdvance(text) <= geometry.width());
    QCOMPARE(int(label->font().weight()), weight);
    QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 64, 0));
    QVERIFY(!label->autoFillBackground());
    QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
    QVERIFY(!label->wordWrap());
}

void SplashWindowTest::paintsThePictureWithTheLabelsOverIt()
{
    SplashWindow splash;
    const QImage painted = splash.grab().toImage();
    const QImage picture(QStringLiteral(":/pictures/splash.jpg"));
    QCOMPARE(picture.size(), QSize(506, 176));
    QCOMPARE(painted.size(), QSize(506, 175));
    // Outside the labels the picture shows at its natural size, and
    // inside their boxes wherever there is no text (transparent labels).
    for (const QPoint at : {QPoint(0, 0), QPoint(100, 100), QPoint(505, 174), QPoint(300, 120), QPoint(300, 160)}) {
        QCOMPARE(painted.pixelColor(at), picture.pixelColor(at));
    }
    QVERIFY(pixelsNear(painted, QRect(216, 96, 289, 25), QColor(0, 64, 0)) > 100);
    QVERIFY(pixelsNear(painted, QRect(256, 128, 249, 33), QColor(0, 64, 0)) > 150);
    // The picture itself holds nothing in the labels' colour there.
    QCOMPARE(pixelsNear(picture, QRect(216, 96, 289, 70), QColor(0, 64, 0)), 0);
}

void SplashWindowTest::clicksAndKeysChangeNothing()
{
    SplashWindow splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    const QImage before = splash.grab().toImage();
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(300, 140));
    QTest::mouseDClick(&splash, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::keyClick(&splash, Qt::Key_Escape);
    QTest::keyClick(&splash, Qt::Key_Return);
    QTest::keyClick(&splash, Qt::Key_F4, Qt::AltModifier);
    QVERIFY(splash.isVisible());
    QCOMPARE(splash.grab().toImage(), before);
    QCOMPARE(splash.focusPolicy(), Qt::NoFocus);
    QVERIFY(splash.testAttribute(Qt::WA_TransparentForMouseEvents));
}

QTEST_MAIN(SplashWindowTest)
