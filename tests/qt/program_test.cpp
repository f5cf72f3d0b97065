#include "program_test.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

void ProgramTest::versionAndHelpAnswerWithoutAWindow()
{
    QProcess program;
    program.start(QStringLiteral(RV_PROGRAM), {QStringLiteral("--version")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(program.readAllStandardOutput().trimmed(), QByteArrayLiteral("rvdatebackup 3.20"));

    program.start(QStringLiteral(RV_PROGRAM), {QStringLiteral("--help")});
    QVERIFY(program.waitForFinished(10000));
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(program.readAllStandardOutput().contains("--version"));
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
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("rv.startup.debug=true"));
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(elsewhere.path());
    program.start(copy, {});
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
