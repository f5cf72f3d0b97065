#include "speech_library_test.h"
#include "qt/speech/speech_library.h"
#include "support/stand_in_folder.h"

#include <QTest>

using rv::ui::SpeechLibrary;

namespace {

const QString kSoundp = QStringLiteral("SOUNDP.DLL");
const QString kBackupCaption = QStringLiteral("データバックアップ");
// The same caption in CP932, as the core's speech sequence hands it over.
const std::string kBackupCaptionCp932 = "\x83\x66\x81\x5B\x83\x5E\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76";

// Sends text given in CP932, with the argument 2.
void send(SpeechLibrary& library, const std::string& cp932Text) { library.send(cp932Text, 2, QStringLiteral("text")); }

} // namespace

void SpeechLibraryTest::passesTheBytesWithANulAndTheArgument()
{
    StandInFolder folder;
    folder.install(QStringLiteral(RV_STAND_IN_SOUNDP), kSoundp);
    SpeechLibrary library(folder.path(), kSoundp, "SoundMessage");

    library.send(kBackupCaptionCp932, 2, kBackupCaption);
    library.send("\x8F\x49\x97\xB9", 7, QStringLiteral("終了"));

    QCOMPARE(folder.journal(), QStringList({QStringLiteral("SoundMessage ") + kBackupCaptionBytes + " 2",
                                            QStringLiteral("SoundMessage 8F 49 97 B9 00 7")}));
}

void SpeechLibraryTest::passesOverALibraryItCannotUse_data()
{
    QTest::addColumn<QString>("installed"); // stand-in copied as SOUNDP.DLL, or none
    QTest::newRow("missing") << QString();
    QTest::newRow("without the function") << QStringLiteral(RV_STAND_IN_WITHOUT_EXPORT);
    // A library is only as good as the function asked for: FocusTalkExt's
    // function under the SOUNDP name is no SoundMessage.
    QTest::newRow("another library's function") << QStringLiteral(RV_STAND_IN_FOCUS_TALK);
}

void SpeechLibraryTest::passesOverALibraryItCannotUse()
{
    QFETCH(QString, installed);
    StandInFolder folder;
    if (!installed.isEmpty())
        folder.install(installed, kSoundp);
    SpeechLibrary library(folder.path(), kSoundp, "SoundMessage");
    send(library, kBackupCaptionCp932);
    QVERIFY(folder.journal().isEmpty());
}

void SpeechLibraryTest::looksAgainWhileMissingThenKeepsTheLibrary()
{
    StandInFolder folder;
    SpeechLibrary library(folder.path(), kSoundp, "SoundMessage");
    send(library, "\x88\xEA"); // 一

    folder.install(QStringLiteral(RV_STAND_IN_SOUNDP), kSoundp);
    send(library, "\x93\xF1"); // 二
    // Once loaded it stays loaded: the file going away changes nothing.
    folder.remove(kSoundp);
    send(library, "\x8E\x4F"); // 三

    QCOMPARE(folder.journal(),
             QStringList({QStringLiteral("SoundMessage 93 F1 00 2"), QStringLiteral("SoundMessage 8E 4F 00 2")}));
}

void SpeechLibraryTest::findsLibraryOnSearchPath()
{
    if (qEnvironmentVariableIsEmpty("RV_STAND_INS_ON_SEARCH_PATH"))
        QSKIP("needs the stand-ins on LD_LIBRARY_PATH (own CTest entry)");
    StandInFolder emptyProgramFolder;
    SpeechLibrary library(emptyProgramFolder.path(), QStringLiteral("FocusTalkExt.DLL"), "FT_OutputVoiceText");
    send(library, kBackupCaptionCp932);
    QCOMPARE(emptyProgramFolder.journal(),
             QStringList({QStringLiteral("FT_OutputVoiceText ") + kBackupCaptionBytes + " 2"}));
}

QTEST_GUILESS_MAIN(SpeechLibraryTest)
