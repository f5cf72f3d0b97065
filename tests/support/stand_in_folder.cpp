#include "stand_in_folder.h"

#include <QFile>
#include <QTest>

namespace {

QString journalPath(const QTemporaryDir& folder) { return folder.filePath(QStringLiteral("journal.txt")); }

} // namespace

StandInFolder::StandInFolder()
{
    QVERIFY2(folder_.isValid(), "no temporary folder");
    qputenv("RV_SPEECH_JOURNAL", QFile::encodeName(journalPath(folder_)));
}

void StandInFolder::install(const QString& standIn, const QString& fileName) const
{
    QVERIFY2(QFile::copy(standIn, folder_.filePath(fileName)), qPrintable(standIn));
}

void StandInFolder::remove(const QString& fileName) const { QVERIFY(QFile::remove(folder_.filePath(fileName))); }

QString StandInFolder::path() const { return folder_.path(); }

void StandInFolder::append(const QString& line) const
{
    QFile file(journalPath(folder_));
    QVERIFY(file.open(QIODevice::Append | QIODevice::Text));
    file.write(line.toUtf8() + '\n');
}

QStringList StandInFolder::journal() const
{
    QFile file(journalPath(folder_));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
