#include "program_test.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

void ProgramTest::commandLineAnswersWithoutAWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("output");
    const QByteArray version = QStringLiteral("RVシステム データバックアップ バージョン 3.20\n").toUtf8();
    const QByteArray usageHint = QStringLiteral("\n使い方は ").toUtf8();
    QTest::newRow("version") << QStringList{QStringLiteral("--version")} << 0 << version;
    QTest::newRow("Qt's options, version")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen"), QStringLiteral("-style=fusion"),
                       QStringLiteral("-reverse"), QStringLiteral("--version")}
        << 0 << version;
    QTest::newRow("help") << QStringList{QStringLiteral("--help")} << 0 << QByteArray("--backup-to <DIR>");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("-platfrom"), QStringLiteral("offscreen")} << 2
                                    << QStringLiteral("不明なオプションです：-platfrom\n").toUtf8() + usageHint.mid(1);
    QTest::newRow("bogus") << QStringList{QStringLiteral("--bogus")} << 2
                           << QStringLiteral("不明なオプションです：--bogus").toUtf8() + usageHint;
    QTest::newRow("backup-to without a folder")
        << QStringList{QStringLiteral("--backup-to")} << 2
        << QStringLiteral("--backup-to の後にフォルダを指定してください。").toUtf8() + usageHint;
}

void ProgramTest::commandLineAnswersWithoutAWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, output);
    QProcess program;
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(QStringLiteral(RV_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(10000));
    const QByteArray printed = program.readAll();
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY2(printed.contains(output), printed.constData());
}

void ProgramTest::startsFromAnotherFolderWithTheSettingsBesideIt()
{
    QTemporaryDir clinic;
    QTemporaryDir elsewhere;
    const QString copy = clinic.filePath(QStringLiteral("rvdatebackup"));
    QVERIFY(QFile::copy(QStringLiteral(RV_PROGRAM), copy));
    QFile settings(clinic.filePath(QStringLiteral("rv.dat")));
    QVERIFY(settings.open(QIODevice::WriteOnly));
    settings.close();

    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The platform as Qt's own option, which the program hands on to Qt.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("rv.startup.debug=true"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(elsewhere.path());
    program.start(copy, {QStringLiteral("-platform"), QStringLiteral("offscreen")});
    QVERIFY(program.waitForStarted());

    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT((log += program.readAllStandardError()).contains("rv.startup: main window shown"), 10000);
    program.kill();
    program.waitForFinished();
    const QByteArray current = "current folder: " + QDir(clinic.path()).canonicalPath().toUtf8();
    QVERIFY2(log.contains(current), log.constData());
    QVERIFY(log.indexOf("rv.startup: settings read") < log.indexOf("rv.startup: main window shown"));
}

QTEST_GUILESS_MAIN(ProgramTest)
