#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A program folder of its own for one test, holding the chosen stand-in
// speech libraries, and the journal they write to (RV_SPEECH_JOURNAL).
class StandInFolder {
public:
    StandInFolder();

    // Copies a built stand-in into the folder under the given file name.
    void install(const QString& standIn, const QString& fileName) const;
    void remove(const QString& fileName) const;
    QString path() const;

    // Lets a recorder put its own lines between the libraries' lines.
    void append(const QString& line) const;
    QStringList journal() const;

private:
    QTemporaryDir folder_;
};

// The bytes "データバックアップ" becomes on its way to a library, NUL included,
// as the stand-ins write them.
inline const QString kBackupCaptionBytes = QStringLiteral("83 66 81 5B 83 5E 83 6F 83 62 83 4E 83 41 83 62 83 76 00");
