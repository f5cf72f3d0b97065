#include "speech/speech_script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

using namespace rv::speech;

namespace {

const std::string kHeading = "ＲＶシステムのデータバックアップ";
const std::string kBackupCaption = "データバックアップ";
// "データバックアップ" in CP932: 18 bytes (the channel adds the NUL).
const std::string kBackupCaptionCp932 = "\x83\x66\x81\x5B\x83\x5E\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76";

std::string hex(std::string_view bytes)
{
    std::string out;
    for (const char byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, " %02X", static_cast<unsigned char>(byte));
        out += digits;
    }
    return out;
}

std::string controlLine(VoiceOperation operation)
{
    char line[32];
    std::snprintf(line, sizeof line, "control 0x%08x", static_cast<unsigned>(dispatchId(operation)));
    return line;
}

// Writes down every call it receives, one line each, in order. Libraries
// named in `missing` are passed over as a channel passes over one it cannot
// find; those in `failing` throw.
class RecordingChannels final : public SpeechChannels {
public:
    void callControl(VoiceOperation operation) override { calls.push_back(controlLine(operation)); }
    void callControl(VoiceOperation operation, std::string_view text) override
    {
        calls.push_back(controlLine(operation) + " " + std::string(text));
    }
    void callLibrary(const LibraryCall& call) override
    {
        const std::string name(call.library.fileName);
        if (missing.contains(name)) {
            return;
        }
        cp932Texts.emplace_back(call.cp932Text);
        calls.push_back("library " + name + " " + std::string(call.library.function) + hex(call.cp932Text) + " | " +
                        std::to_string(call.argument) + " (" + std::string(call.text) + ")");
        if (failing.contains(name)) {
            throw std::runtime_error(name + " failed");
        }
    }
    void textNotSentToLibraries(std::string_view text, std::string_view) override
    {
        calls.push_back("not sent to the libraries: " + std::string(text));
    }

    std::vector<std::string> calls;
    std::vector<std::string> cp932Texts;
    std::set<std::string> missing;
    std::set<std::string> failing;
};

const std::string kSoundMessageLine =
    "library SOUNDP.DLL SoundMessage" + hex(kBackupCaptionCp932) + " | 2 (データバックアップ)";
const std::string kOutputVoiceTextLine =
    "library FocusTalkExt.DLL FT_OutputVoiceText" + hex(kBackupCaptionCp932) + " | 2 (データバックアップ)";
const std::vector<std::string> kFocusControlLines{"control 0x60030003", "control 0x60030002 データバックアップ"};
const std::vector<std::string> kLibraryLines{kSoundMessageLine, kOutputVoiceTextLine};

std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(SpeechScript, LoadSpeaksTheHeadingThenCallsTheClosingOperationAndNoLibrary)
{
    RecordingChannels channels;
    speakOnLoad(channels, kHeading);
    EXPECT_EQ(channels.calls,
              (std::vector<std::string>{"control 0x60030002 ＲＶシステムのデータバックアップ", "control 0x6003000a"}));
}

TEST(SpeechScript, FocusCallsTheControlTwiceThenSoundMessageThenOutputVoiceText)
{
    RecordingChannels channels;
    speakOnFocus(channels, kBackupCaption);
    EXPECT_EQ(channels.calls, kFocusControlLines + kLibraryLines);
}

TEST(SpeechScript, LibrariesGetTheCaptionInCp932AndTheArgumentTwo)
{
    RecordingChannels channels;
    speakOnFocus(channels, kBackupCaption);
    ASSERT_EQ(channels.cp932Texts.size(), 2u);
    EXPECT_EQ(channels.cp932Texts[0].size(), 18u);
    EXPECT_EQ(channels.cp932Texts[0], kBackupCaptionCp932);
    EXPECT_EQ(channels.cp932Texts[1], kBackupCaptionCp932);
    EXPECT_EQ(kLibraryArgument, 2);
}

TEST(SpeechScript, NamesTheLibrariesAndTheirFunctions)
{
    EXPECT_EQ(kSoundMessage.fileName, "SOUNDP.DLL");
    EXPECT_EQ(kSoundMessage.function, "SoundMessage");
    EXPECT_EQ(kOutputVoiceText.fileName, "FocusTalkExt.DLL");
    EXPECT_EQ(kOutputVoiceText.function, "FT_OutputVoiceText");
}

TEST(SpeechScript, AMissingLibraryDoesNotStopTheNext)
{
    RecordingChannels onlyFocusTalk;
    onlyFocusTalk.missing = {"SOUNDP.DLL"};
    speakOnFocus(onlyFocusTalk, kBackupCaption);
    EXPECT_EQ(onlyFocusTalk.calls, kFocusControlLines + std::vector<std::string>{kOutputVoiceTextLine});

    RecordingChannels onlySoundp;
    onlySoundp.missing = {"FocusTalkExt.DLL"};
    speakOnFocus(onlySoundp, kBackupCaption);
    EXPECT_EQ(onlySoundp.calls, kFocusControlLines + std::vector<std::string>{kSoundMessageLine});

    RecordingChannels neither;
    neither.missing = {"SOUNDP.DLL", "FocusTalkExt.DLL"};
    speakOnFocus(neither, kBackupCaption);
    EXPECT_EQ(neither.calls, kFocusControlLines);
}

TEST(SpeechScript, AFailingLibraryDoesNotStopTheNextAndTheFocusEndsNormally)
{
    RecordingChannels channels;
    channels.failing = {"SOUNDP.DLL", "FocusTalkExt.DLL"};
    EXPECT_NO_THROW(speakOnFocus(channels, kBackupCaption));
    EXPECT_EQ(channels.calls, kFocusControlLines + kLibraryLines);
}

TEST(SpeechScript, EveryFocusSpeaksAgainWithNothingRemembered)
{
    RecordingChannels channels;
    channels.missing = {"SOUNDP.DLL"};
    channels.failing = {"FocusTalkExt.DLL"};
    speakOnFocus(channels, kBackupCaption);
    speakOnFocus(channels, kBackupCaption);
    const std::vector<std::string> once = kFocusControlLines + std::vector<std::string>{kOutputVoiceTextLine};
    EXPECT_EQ(channels.calls, once + once);
}

TEST(SpeechScript, TextWithoutACp932FormGoesToTheControlOnly)
{
    RecordingChannels channels;
    speakOnFocus(channels, "a\U0001F600");
    EXPECT_EQ(channels.calls, (std::vector<std::string>{"control 0x60030003", "control 0x60030002 a\U0001F600",
                                                        "not sent to the libraries: a\U0001F600"}));
}

TEST(SpeechScript, ControlCallsAreNotGuarded)
{
    // The sequences rely on every call to the control returning; one that
    // throws ends the sequence there.
    class ThrowingControl final : public SpeechChannels {
    public:
        void callControl(VoiceOperation) override { throw std::runtime_error("control failed"); }
        void callControl(VoiceOperation, std::string_view) override { throw std::runtime_error("control failed"); }
        void callLibrary(const LibraryCall&) override { ++libraryCalls; }
        void textNotSentToLibraries(std::string_view, std::string_view) override {}
        int libraryCalls = 0;
    } channels;
    EXPECT_THROW(speakOnFocus(channels, kBackupCaption), std::runtime_error);
    EXPECT_EQ(channels.libraryCalls, 0);
}

} // namespace
