#include "backup_to_command_test.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// Every file under folder, relative, with its content.
QMap<QString, QByteArray> treeOf(const QString& folder)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        tree.insert(QDir(folder).relativeFilePath(path), contentOf(path));
    }
    return tree;
}

} // namespace

void BackupToCommandTest::init()
{
    QVERIFY(folders_.isValid());
    QDir(clinic()).removeRecursively();
    QDir(backup()).removeRecursively();
    QVERIFY(QDir().mkpath(backup()));
    QProcess make;
    make.start(QStringLiteral("python3"), {QStringLiteral(RV_SOURCE_DIR "/scripts/make-sample-clinic"), clinic()});
    QVERIFY(make.waitForFinished(30000));
    QVERIFY2(make.exitCode() == 0, make.readAllStandardError().constData());
    // The program reads rv.dat from its own folder, as at a clinic.
    QVERIFY(QFile::copy(QStringLiteral(RV_PROGRAM), clinic() + QStringLiteral("/rvdatebackup")));
}

BackupToCommandTest::Outcome BackupToCommandTest::runProgram(const QStringList& arguments)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        environment.remove(QString::fromLatin1(display));
    }
    program.setProcessEnvironment(environment);
    program.start(clinic() + QStringLiteral("/rvdatebackup"), arguments);
    if (!program.waitForFinished(60000)) {
        return {};
    }
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            QString::fromUtf8(program.readAllStandardOutput())};
}

void BackupToCommandTest::everythingCopiedExitsZeroWithoutADisplay()
{
    const Outcome outcome = runProgram({QStringLiteral("--backup-to"), backup()});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.output));
    QVERIFY2(outcome.output.endsWith(QStringLiteral("14 件中 14 件をコピーしました。\n\n"
                                                    "データのバックアップが終わりました。\n")),
             qPrintable(outcome.output));
    QCOMPARE(outcome.output.count(QStringLiteral("\nOK      ")) + (outcome.output.startsWith("OK") ? 1 : 0), 14);

    // The databases side by side, whichever folder they came from.
    const QMap<QString, QByteArray> copied = treeOf(backup());
    const QMap<QString, QByteArray> source = treeOf(clinic());
    for (const QString& database : {QStringLiteral("臨床RV51N.mdb"), QStringLiteral("Tavo51.mdb"),
                                    QStringLiteral("同意医師51.mdb"), QStringLiteral("予約51.mdb")}) {
        const QString from = source.contains(database) ? database : QStringLiteral("データ/") + database;
        QCOMPARE(copied.value(database), source.value(from));
    }
    QCOMPARE(copied.value(QStringLiteral("rv.dat")), source.value(QStringLiteral("rv.dat")));
    QCOMPARE(copied.value(QStringLiteral("id.dat")), source.value(QStringLiteral("id.dat")));
    QCOMPARE(treeOf(backup() + QStringLiteral("/GDATA")), treeOf(clinic() + QStringLiteral("/GDATA")));
    QVERIFY(QDir(backup() + QStringLiteral("/GDATA/空フォルダ")).exists());
    // Beside the copies, the run's record and the history of runs.
    QVERIFY(copied.value(QStringLiteral("バックアップ記録.txt")).contains("\t臨床RV51N.mdb\r\n"));
    QVERIFY(copied.contains(QStringLiteral("バックアップ履歴.txt")));
    QCOMPARE(copied.size(), 11 + 2 + treeOf(clinic() + QStringLiteral("/GDATA")).size() + 2);
}

void BackupToCommandTest::readingBackCanBeTurnedOff()
{
    const Outcome outcome = runProgram({QStringLiteral("--backup-to"), backup(), QStringLiteral("--no-verify")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.output));
    const QByteArray record = contentOf(backup() + QStringLiteral("/バックアップ記録.txt"));
    QVERIFY2(record.contains(QStringLiteral("照合\tしていません\r\n").toUtf8()), record.constData());
    QCOMPARE(runProgram({QStringLiteral("--check"), backup()}).exitCode, 0);
}

void BackupToCommandTest::aMissingNamedDatabaseExitsOne()
{
    const QString named = clinic() + QStringLiteral("/データ/Tavo51.mdb");
    QVERIFY(QFile::remove(named));
    const Outcome outcome = runProgram({QStringLiteral("--backup-to"), backup()});
    QCOMPARE(outcome.exitCode, 1);
    QVERIFY2(outcome.output.contains(QStringLiteral("FAILED  ") + named + QStringLiteral(" -> ") + backup() +
                                     QStringLiteral("/Tavo51.mdb (見つかりません)\n")),
             qPrintable(outcome.output));
    QVERIFY(outcome.output.contains(QStringLiteral("・Tavo51.mdb：見つかりません")));
    QVERIFY(QFile::exists(backup() + QStringLiteral("/予約51.mdb")));
}

void BackupToCommandTest::fatalProblemsExitTwoAndCopyNothing()
{
    Outcome outcome = runProgram({QStringLiteral("--backup-to"), backup() + QStringLiteral("/ない")});
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY(outcome.output.startsWith(QStringLiteral("保存先のフォルダが見つかりません：")));

    outcome = runProgram({QStringLiteral("--backup-to"), clinic()});
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.output,
             QStringLiteral(
                 "保存先がプログラムのフォルダと同じため、バックアップできません。別のフォルダを選んでください。\n"));

    QVERIFY(QFile::remove(clinic() + QStringLiteral("/rv.dat")));
    outcome = runProgram({QStringLiteral("--backup-to"), backup()});
    QCOMPARE(outcome.exitCode, 2);
    QVERIFY(QDir(backup()).isEmpty());
}

void BackupToCommandTest::helpNamesTheOption()
{
    const Outcome outcome = runProgram({QStringLiteral("--help")});
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY(outcome.output.contains(QStringLiteral("--backup-to <DIR>")));
}

void BackupToCommandTest::restorePutsTheBackupBackWhereRvDatSays()
{
    QCOMPARE(runProgram({QStringLiteral("--backup-to"), backup()}).exitCode, 0);
    // A database rv.dat names in a folder of its own, and one in the program folder.
    const QString named = clinic() + QStringLiteral("/データ/Tavo51.mdb");
    const QString inProgramFolder = clinic() + QStringLiteral("/予約51.mdb");
    const QByteArray before = contentOf(named);
    QFile damaged(named);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("damaged");
    damaged.close();
    QVERIFY(QFile::remove(inProgramFolder));

    const Outcome outcome = runProgram({QStringLiteral("--restore"), backup()});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.output));
    QCOMPARE(contentOf(named), before);
    QCOMPARE(contentOf(inProgramFolder), contentOf(backup() + QStringLiteral("/予約51.mdb")));
    const QStringList kept =
        QDir(clinic() + QStringLiteral("/データ/復元前")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(contentOf(clinic() + QStringLiteral("/データ/復元前/") + kept.front() + QStringLiteral("/Tavo51.mdb")),
             QByteArray("damaged"));
    QVERIFY2(outcome.output.contains(clinic() + QStringLiteral("/データ/復元前/") + kept.front()),
             qPrintable(outcome.output));
}

QTEST_GUILESS_MAIN(BackupToCommandTest)
