#include "kana_reading_test.h"

#include "qt/speech/kana_reading.h"
#include "support/recording_synthesizer.h"

#include <QRegularExpression>
#include <QTest>

using rv::ui::speakingKanaReadings;

void KanaReadingTest::engineIsGivenTheKanaReading_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reading");
    QTest::newRow("exit button") << QStringLiteral("終了") << QStringLiteral("シュウリョウ");
    QTest::newRow("cancel button") << QStringLiteral("中止") << QStringLiteral("チュウシ");
    QTest::newRow("heading, fullwidth letters") << QStringLiteral("ＲＶシステムのデータバックアップ")
                                                << QStringLiteral("アールブイシステムノデータバックアップ");
    QTest::newRow("no reading: spelling and spaces kept")
        << QStringLiteral("rv.dat を開く") << QStringLiteral("rv.dat ヲヒラク");
}

void KanaReadingTest::engineIsGivenTheKanaReading()
{
    QFETCH(QString, text);
    QFETCH(QString, reading);
    auto transcript = std::make_shared<Transcript>();
    auto engine = speakingKanaReadings(instantEngine(transcript))([] {});
    QVERIFY(engine.ok());

    engine.value()->say(text);

    QCOMPARE(transcript->lines(), QStringList{reading});
}

void KanaReadingTest::withoutMeCabsSettingsTheTextGoesAsWrittenLoggedOnce()
{
    qputenv("MECABRC", "/nonexistent/mecabrc");
    const QRegularExpression notice(QStringLiteral("^no kana readings"));
    QTest::ignoreMessage(QtWarningMsg, notice);
    QTest::failOnWarning(notice);
    auto transcript = std::make_shared<Transcript>();
    auto engine = speakingKanaReadings(instantEngine(transcript))([] {});
    qunsetenv("MECABRC");
    QVERIFY(engine.ok());

    engine.value()->say(QStringLiteral("終了"));
    engine.value()->say(QStringLiteral("中止"));

    QCOMPARE(transcript->lines(), QStringList({QStringLiteral("終了"), QStringLiteral("中止")}));
}

QTEST_GUILESS_MAIN(KanaReadingTest)
