#include "speech_sequences_test.h"
#include "qt/speech/speech_control.h"
#include "qt/speech/speech_sequences.h"
#include "support/recording_speech_backend.h"
#include "support/stand_in_folder.h"

#include <QLoggingCategory>
#include <QTest>

using namespace rv::ui;

namespace {

const QString kHeading = QStringLiteral("ＲＶシステムのデータバックアップ");
const QString kBackupCaption = QStringLiteral("データバックアップ");
const QString kSoundMessageLine = QStringLiteral("SoundMessage ") + kBackupCaptionBytes + " 2";
const QString kOutputVoiceTextLine = QStringLiteral("FT_OutputVoiceText ") + kBackupCaptionBytes + " 2";

// The speech control over a recorder that writes into the stand-ins' journal,
// so that the journal shows every channel's calls in the order they came.
struct Speech {
    explicit Speech(const StandInFolder& folder)
        : backend(std::make_shared<RecordingSpeechBackend>([&folder](const QString& line) { folder.append(line); })),
          voice(backend), libraries(folder.path())
    {
    }

    std::shared_ptr<RecordingSpeechBackend> backend;
    SpeechControl voice;
    FocusSpeechLibraries libraries;
};

QStringList capturedLog;

void captureSpeechLog(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (QByteArray(context.category) == "rv.speech")
        capturedLog << message;
}

} // namespace

void SpeechSequencesTest::loadSpeaksHeadingThenHoldsItThroughControlOnly()
{
    StandInFolder folder;
    folder.install(QStringLiteral(RV_STAND_IN_SOUNDP), QStringLiteral("SOUNDP.DLL"));
    folder.install(QStringLiteral(RV_STAND_IN_FOCUS_TALK), QStringLiteral("FocusTalkExt.DLL"));
    Speech speech(folder);

    speakOnLoad(speech.voice, kHeading);

    QCOMPARE(folder.journal(), QStringList({QStringLiteral("speak ") + kHeading, QStringLiteral("hold")}));
}

void SpeechSequencesTest::focusReachesEveryChannelPresent_data()
{
    QTest::addColumn<QString>("soundp");    // stand-in installed as SOUNDP.DLL, or none
    QTest::addColumn<QString>("focusTalk"); // stand-in installed as FocusTalkExt.DLL, or none
    QTest::addColumn<QStringList>("libraryCalls");

    const QString soundp = QStringLiteral(RV_STAND_IN_SOUNDP);
    const QString focusTalk = QStringLiteral(RV_STAND_IN_FOCUS_TALK);
    const QString withoutExport = QStringLiteral(RV_STAND_IN_WITHOUT_EXPORT);
    QTest::newRow("none") << QString() << QString() << QStringList();
    QTest::newRow("only SOUNDP") << soundp << QString() << QStringList{kSoundMessageLine};
    QTest::newRow("only FocusTalkExt") << QString() << focusTalk << QStringList{kOutputVoiceTextLine};
    QTest::newRow("both") << soundp << focusTalk << QStringList{kSoundMessageLine, kOutputVoiceTextLine};
    QTest::newRow("both lack the function") << withoutExport << withoutExport << QStringList();
    QTest::newRow("SOUNDP lacks the function") << withoutExport << focusTalk << QStringList{kOutputVoiceTextLine};
}

void SpeechSequencesTest::focusReachesEveryChannelPresent()
{
    QFETCH(QString, soundp);
    QFETCH(QString, focusTalk);
    QFETCH(QStringList, libraryCalls);
    StandInFolder folder;
    if (!soundp.isEmpty())
        folder.install(soundp, QStringLiteral("SOUNDP.DLL"));
    if (!focusTalk.isEmpty())
        folder.install(focusTalk, QStringLiteral("FocusTalkExt.DLL"));
    Speech speech(folder);

    speakOnFocus(speech.voice, speech.libraries, kBackupCaption);

    const QStringList controlCalls{QStringLiteral("interrupt"), QStringLiteral("speak ") + kBackupCaption};
    QCOMPARE(folder.journal(), controlCalls + libraryCalls);
}

void SpeechSequencesTest::logsOneLinePerCallInOrder()
{
    StandInFolder folder;
    folder.install(QStringLiteral(RV_STAND_IN_FOCUS_TALK), QStringLiteral("FocusTalkExt.DLL"));
    Speech speech(folder);
    QLoggingCategory::setFilterRules(QStringLiteral("rv.speech.info=true"));
    capturedLog.clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureSpeechLog);

    speakOnLoad(speech.voice, kHeading);
    speakOnFocus(speech.voice, speech.libraries, kBackupCaption);

    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(capturedLog,
             QStringList({QStringLiteral("Voice1 0x60030002 ") + kHeading, QStringLiteral("Voice1 0x6003000a"),
                          QStringLiteral("Voice1 0x60030003"), QStringLiteral("Voice1 0x60030002 ") + kBackupCaption,
                          QStringLiteral("SOUNDP.DLL SoundMessage ") + kBackupCaption +
                              QStringLiteral(" library or function not found; skipped"),
                          QStringLiteral("FocusTalkExt.DLL FT_OutputVoiceText ") + kBackupCaption +
                              QStringLiteral(" library found")}));
}

QTEST_MAIN(SpeechSequencesTest)
