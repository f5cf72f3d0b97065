#include "win32/speech_output.h"

#include "platform/paths.h"
#include "speech_log.h"
#include "standin_registration.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using rv::win32::SpeechControl;
using rv::win32::SpeechOutput;

namespace {

const std::wstring kCaption = L"データバックアップ";
const std::wstring kHeading = L"ＲＶシステムのデータバックアップ";
// "データバックアップ" in CP932, with its NUL, as both libraries must receive it.
const std::string kCaptionBytes = " 83 66 81 5B 83 5E 83 6F 83 62 83 4E 83 41 83 62 83 76 00 | 2";
const std::string kSoundMessageLine = "SoundMessage" + kCaptionBytes;
const std::string kFocusTalkLine = "FT_OutputVoiceText" + kCaptionBytes;
const std::string kBeforeSpeakLine = "Voice1 0x60030003";
const std::string kSpeakCaptionLine = "Voice1 0x60030002 BSTR データバックアップ";

std::string utf8(const std::wstring& wide) { return rv::platform::fromPath(wide); }

// Writes the calls it receives into the same log as the library stand-ins,
// so the order across all channels can be checked.
class RecordingControl final : public SpeechControl {
public:
    void invoke(DISPID operation) override { rv::test::appendSpeechLog(rv::test::voiceCallLine(operation, "")); }
    void invoke(DISPID operation, std::wstring_view text) override
    {
        rv::test::appendSpeechLog(rv::test::voiceCallLine(operation, " BSTR " + utf8(std::wstring(text))));
    }
    const wchar_t* backEnd() const override { return L"recording"; }
};

fs::path standInFolder() { return rv::platform::toPath(rv::platform::executableFolder().value()) / "standins"; }

class SpeechOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() / "rv-speech-tests" / test->name();
        fs::remove_all(root_);
        programFolder_ = root_ / "プログラム";
        fs::create_directories(programFolder_);
        log_ = root_ / "speech.log";
        SetEnvironmentVariableA(RV_SPEECH_LOG_VARIABLE, rv::platform::fromPath(log_).c_str());
        _putenv_s(RV_SPEECH_LOG_VARIABLE, rv::platform::fromPath(log_).c_str());
    }

    void TearDown() override
    {
        output_.reset(); // unloads the libraries before their files go
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    void install(const char* standIn, const fs::path& folder)
    {
        fs::copy_file(standInFolder() / standIn, folder / fs::path(standIn).filename(),
                      fs::copy_options::overwrite_existing);
    }

    SpeechOutput& output()
    {
        if (!output_) {
            output_ = std::make_unique<SpeechOutput>(std::make_unique<RecordingControl>(), programFolder_.native());
        }
        return *output_;
    }

    std::vector<std::string> logLines() const { return rv::test::readSpeechLog(log_); }

    fs::path root_;
    fs::path programFolder_;
    fs::path log_;
    std::unique_ptr<SpeechOutput> output_;
};

TEST_F(SpeechOutputTest, HeadingGoesToTheControlOnlyThenTheClosingOperation)
{
    install("SOUNDP.DLL", programFolder_);
    install("FocusTalkExt.DLL", programFolder_);
    output().speakHeading(kHeading);
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Voice1 0x60030002 BSTR ＲＶシステムのデータバックアップ",
                                                    "Voice1 0x6003000A"}));
}

TEST_F(SpeechOutputTest, FocusSendsCaptionToControlThenBothLibrariesAsCp932AndTwo)
{
    install("SOUNDP.DLL", programFolder_);
    install("FocusTalkExt.DLL", programFolder_);
    output().speakFocusedCaption(kCaption);
    output().speakFocusedCaption(kCaption); // every focus speaks again, nothing is skipped
    const std::vector<std::string> once{kBeforeSpeakLine, kSpeakCaptionLine, kSoundMessageLine, kFocusTalkLine};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(logLines(), twice);
}

TEST_F(SpeechOutputTest, EachMissingLibraryIsPassedOverAndTheOtherStillSpeaks)
{
    output().speakFocusedCaption(kCaption);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kBeforeSpeakLine, kSpeakCaptionLine}));

    fs::remove(log_);
    install("FocusTalkExt.DLL", programFolder_);
    output().speakFocusedCaption(kCaption); // a missing library is looked for again
    EXPECT_EQ(logLines(), (std::vector<std::string>{kBeforeSpeakLine, kSpeakCaptionLine, kFocusTalkLine}));

    fs::remove(log_);
    install("SOUNDP.DLL", programFolder_);
    output().speakFocusedCaption(kCaption);
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{kBeforeSpeakLine, kSpeakCaptionLine, kSoundMessageLine, kFocusTalkLine}));
}

TEST_F(SpeechOutputTest, OnlySoundMessageWhenFocusTalkIsAbsent)
{
    install("SOUNDP.DLL", programFolder_);
    output().speakFocusedCaption(kCaption);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kBeforeSpeakLine, kSpeakCaptionLine, kSoundMessageLine}));
}

TEST_F(SpeechOutputTest, LibraryWithoutTheFunctionCountsAsMissing)
{
    install("noexport/SOUNDP.DLL", programFolder_);
    install("FocusTalkExt.DLL", programFolder_);
    output().speakFocusedCaption(kCaption);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kBeforeSpeakLine, kSpeakCaptionLine, kFocusTalkLine}));
}

TEST_F(SpeechOutputTest, LibraryInTheCurrentFolderIsNotLoaded)
{
    rv::win32::restrictLibrarySearch();
    const fs::path elsewhere = root_ / "current";
    fs::create_directories(elsewhere);
    install("SOUNDP.DLL", elsewhere);
    const fs::path previous = fs::current_path();
    fs::current_path(elsewhere);
    output().speakFocusedCaption(kCaption);
    fs::current_path(previous);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kBeforeSpeakLine, kSpeakCaptionLine}));
}

TEST_F(SpeechOutputTest, CaptionWithoutACp932FormSkipsOnlyTheLibraries)
{
    install("SOUNDP.DLL", programFolder_);
    install("FocusTalkExt.DLL", programFolder_);
    output().speakFocusedCaption(L"a\U0001F600");
    EXPECT_EQ(logLines(), (std::vector<std::string>{kBeforeSpeakLine, "Voice1 0x60030002 BSTR a\U0001F600"}));
}

TEST_F(SpeechOutputTest, RegisteredControlIsCalledLateBoundWithTheTextByValue)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        const rv::test::StandInRegistration registration((standInFolder() / "ksocx_standin.dll").native());
        auto control = rv::win32::createSpeechControl();
        EXPECT_STREQ(control->backEnd(), L"KsOCX.Voice");
        SpeechOutput output(std::move(control), programFolder_.native());
        output.speakHeading(kHeading);
        output.speakFocusedCaption(kCaption);
    }
    CoUninitialize();
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Voice1 0x60030002 BSTR ＲＶシステムのデータバックアップ",
                                                    "Voice1 0x6003000A", kBeforeSpeakLine, kSpeakCaptionLine}));
}

} // namespace
