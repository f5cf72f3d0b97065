#include "speech_control_test.h"
#include "qt/speech/speech_control.h"
#include "support/recording_speech_backend.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>
#include <QTest>

using namespace rv::ui;

void SpeechControlTest::dispatchIdentifiersReachTheirOperations()
{
    auto backend = std::make_shared<RecordingSpeechBackend>();
    SpeechControl voice(backend);

    voice.invoke(0x60030002, QStringLiteral("ＲＶシステムのデータバックアップ"));
    voice.invoke(0x6003000a);
    voice.invoke(0x60030003);
    voice.invoke(0x60030004); // unknown: ignored
    voice.invoke(0x60030002, QStringLiteral("データバックアップ"));

    QCOMPARE(backend->calls,
             QStringList({QStringLiteral("speak ＲＶシステムのデータバックアップ"), QStringLiteral("hold"),
                          QStringLiteral("interrupt"), QStringLiteral("speak データバックアップ")}));
}

void SpeechControlTest::neverTakesTheFocus()
{
    QWidget window;
    auto* first = new QPushButton(QStringLiteral("first"), &window);
    auto* voice = new SpeechControl(std::make_shared<RecordingSpeechBackend>(), &window);
    auto* second = new QPushButton(QStringLiteral("second"), &window);
    second->move(0, 40);
    voice->move(0, 80);
    QCOMPARE(window.findChild<SpeechControl*>(QStringLiteral("Voice1")), voice);
    QCOMPARE(voice->size(), QSize(33, 32));
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first->setFocus();

    QTest::mouseClick(voice, Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), first);
    QTest::keyClick(&window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), second);
    QTest::keyClick(&window, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), first);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(voice);
    QVERIFY(accessible);
    QVERIFY(!accessible->state().focusable);
}

QTEST_MAIN(SpeechControlTest)
