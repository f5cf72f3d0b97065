#pragma once

#include <QObject>
#include <QString>
#include <QTemporaryDir>

// The program's unattended mode, run as a separate process on a sample clinic.
class BackupToCommandTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void everythingCopiedExitsZeroWithoutADisplay();
    void readingBackCanBeTurnedOff();
    void aMissingNamedDatabaseExitsOne();
    void fatalProblemsExitTwoAndCopyNothing();
    void helpNamesTheOption();
    void restorePutsTheBackupBackWhereRvDatSays();

private:
    struct Outcome {
        int exitCode = -1;
        QString output;
    };
    Outcome runProgram(const QStringList& arguments);
    QString clinic() const { return folders_.filePath(QStringLiteral("医院")); }
    QString backup() const { return folders_.filePath(QStringLiteral("バックアップ")); }

    QTemporaryDir folders_;
};
