#include "speech_channels_test.h"
#include "qt/speech/speech_channels.h"
#include "qt/speech/speech_control.h"
#include "support/recording_speech_backend.h"
#include "support/stand_in_folder.h"

#include <QLoggingCategory>
#include <QTest>

using namespace rv::ui;
using rv::speech::VoiceOperation;

namespace {

const QString kHeading = QStringLiteral("ＲＶシステムのデータバックアップ");
const QString kBackupCaption = QStringLiteral("データバックアップ");
const std::string kBackupCaptionUtf8 = "データバックアップ";
const std::string kBackupCaptionCp932 = "\x83\x66\x81\x5B\x83\x5E\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76";

// The window's channels over a recorder that writes into the stand-ins'
// journal, so that the journal shows every channel's calls in the order
// they came.
struct Channels {
    explicit Channels(const StandInFolder& folder)
        : backend(std::make_shared<RecordingSpeechBackend>([&folder](const QString& line) { folder.append(line); })),
          voice(backend), channels(voice, folder.path())
    {
    }

    std::shared_ptr<RecordingSpeechBackend> backend;
    SpeechControl voice;
    WindowSpeechChannels channels;
};

QStringList capturedLog;

void captureSpeechLog(QtMsgType, const QMessageLogContext& context, const QString& message)
{
    if (QByteArray(context.category) == "rv.speech")
        capturedLog << message;
}

// Captures what is logged under rv.speech while it lives.
struct SpeechLog {
    SpeechLog()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("rv.speech.info=true"));
        capturedLog.clear();
        previous = qInstallMessageHandler(captureSpeechLog);
    }
    ~SpeechLog()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    }
    QtMessageHandler previous;
};

} // namespace

void SpeechChannelsTest::eachCallReachesItsChannelAndLogsOneLine()
{
    StandInFolder folder;
    folder.install(QStringLiteral(RV_STAND_IN_SOUNDP), QStringLiteral("SOUNDP.DLL"));
    folder.install(QStringLiteral(RV_STAND_IN_FOCUS_TALK), QStringLiteral("FocusTalkExt.DLL"));
    Channels speech(folder);
    const SpeechLog log;

    speech.channels.callControl(VoiceOperation::Speak, kBackupCaptionUtf8);
    speech.channels.callControl(VoiceOperation::AfterSpeakingHeading);
    // Each call reaches the library it names, and only that one.
    speech.channels.callLibrary({rv::speech::kOutputVoiceText, kBackupCaptionCp932, 2, kBackupCaptionUtf8});
    folder.remove(QStringLiteral("SOUNDP.DLL"));
    speech.channels.callLibrary({rv::speech::kSoundMessage, kBackupCaptionCp932, 2, kBackupCaptionUtf8});

    QCOMPARE(folder.journal(), QStringList({QStringLiteral("speak ") + kBackupCaption, QStringLiteral("hold"),
                                            QStringLiteral("FT_OutputVoiceText ") + kBackupCaptionBytes + " 2"}));
    QCOMPARE(capturedLog,
             QStringList({QStringLiteral("Voice1 0x60030002 ") + kBackupCaption, QStringLiteral("Voice1 0x6003000a"),
                          QStringLiteral("FocusTalkExt.DLL FT_OutputVoiceText ") + kBackupCaption +
                              QStringLiteral(" library found"),
                          QStringLiteral("SOUNDP.DLL SoundMessage ") + kBackupCaption +
                              QStringLiteral(" library or function not found; skipped")}));
}

void SpeechChannelsTest::textWithoutCp932FormIsLoggedForEachLibrary()
{
    StandInFolder folder;
    folder.install(QStringLiteral(RV_STAND_IN_FOCUS_TALK), QStringLiteral("FocusTalkExt.DLL"));
    Channels speech(folder);
    const SpeechLog log;

    speech.channels.textNotSentToLibraries("😀", "no CP932 form");

    QVERIFY(folder.journal().isEmpty());
    QCOMPARE(capturedLog,
             QStringList({QStringLiteral("SOUNDP.DLL SoundMessage 😀 library or function not found; skipped"),
                          QStringLiteral("FocusTalkExt.DLL FT_OutputVoiceText 😀 library found; text has "
                                         "no CP932 form ( no CP932 form ); skipped")}));
}

QTEST_MAIN(SpeechChannelsTest)
