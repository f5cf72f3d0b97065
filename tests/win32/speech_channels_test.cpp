#include "win32/speech_channels.h"

#include "platform/paths.h"
#include "speech_log.h"
#include "standin_registration.h"

#include <gtest/gtest.h>

#include <ole2.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using rv::speech::VoiceOperation;
using rv::win32::SpeechControl;
using rv::win32::WindowSpeechChannels;

namespace {

const std::string kCaption = "データバックアップ";
const std::string kHeading = "ＲＶシステムのデータバックアップ";
// "データバックアップ" in CP932, as the core's speech sequence hands it over.
const std::string kCaptionCp932 = "\x83\x66\x81\x5B\x83\x5E\x83\x6F\x83\x62\x83\x4E\x83\x41\x83\x62\x83\x76";
// What a library stand-in writes down for it: every byte with the NUL, and the argument.
const std::string kCaptionBytes = " 83 66 81 5B 83 5E 83 6F 83 62 83 4E 83 41 83 62 83 76 00 | 2";
const std::string kSoundMessageLine = "SoundMessage" + kCaptionBytes;
const std::string kFocusTalkLine = "FT_OutputVoiceText" + kCaptionBytes;

// Writes the calls it receives into the same log as the library stand-ins.
class RecordingControl final : public SpeechControl {
public:
    void invoke(DISPID operation) override { rv::test::appendSpeechLog(rv::test::voiceCallLine(operation, "")); }
    void invoke(DISPID operation, std::wstring_view text) override
    {
        rv::test::appendSpeechLog(
            rv::test::voiceCallLine(operation, " BSTR " + rv::platform::fromPath(std::wstring(text))));
    }
    const wchar_t* backEnd() const override { return L"recording"; }
};

fs::path standInFolder() { return rv::platform::toPath(rv::platform::executableFolder().value()) / "standins"; }

class SpeechChannelsTest : public ::testing::Test {
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
        rv::win32::restrictLibrarySearch(programFolder_.native()); // as the program does at start
        currentFolder_ = fs::current_path();
        path_ = environmentPath();
    }

    void TearDown() override
    {
        channels_.reset(); // unloads the libraries before their files go
        fs::current_path(currentFolder_);
        SetEnvironmentVariableW(L"PATH", path_.c_str());
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    static std::wstring environmentPath()
    {
        std::wstring path(GetEnvironmentVariableW(L"PATH", nullptr, 0), L'\0');
        path.resize(GetEnvironmentVariableW(L"PATH", path.data(), static_cast<DWORD>(path.size())));
        return path;
    }

    void install(const char* standIn, const fs::path& folder)
    {
        fs::copy_file(standInFolder() / standIn, folder / fs::path(standIn).filename(),
                      fs::copy_options::overwrite_existing);
    }

    WindowSpeechChannels& channels()
    {
        if (!channels_) {
            channels_ =
                std::make_unique<WindowSpeechChannels>(std::make_unique<RecordingControl>(), programFolder_.native());
        }
        return *channels_;
    }

    // The caption to one library, as the focus sequence sends it.
    void sendCaption(const rv::speech::SpeechLibraryName& library)
    {
        channels().callLibrary({library, kCaptionCp932, rv::speech::kLibraryArgument, kCaption});
    }

    std::vector<std::string> logLines() const { return rv::test::readSpeechLog(log_); }

    fs::path root_;
    fs::path programFolder_;
    fs::path log_;
    fs::path currentFolder_;
    std::wstring path_;
    std::unique_ptr<WindowSpeechChannels> channels_;
};

TEST_F(SpeechChannelsTest, EachLibraryInTheProgramFolderGetsTheBytesWithTheirNulAndTheArgument)
{
    install("SOUNDP.DLL", programFolder_);
    install("FocusTalkExt.DLL", programFolder_);
    sendCaption(rv::speech::kOutputVoiceText);
    sendCaption(rv::speech::kSoundMessage);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kFocusTalkLine, kSoundMessageLine}));
}

TEST_F(SpeechChannelsTest, AMissingLibraryIsPassedOverAndLookedForAgain)
{
    sendCaption(rv::speech::kSoundMessage);
    sendCaption(rv::speech::kOutputVoiceText);
    EXPECT_TRUE(logLines().empty());

    install("FocusTalkExt.DLL", programFolder_);
    sendCaption(rv::speech::kSoundMessage);
    sendCaption(rv::speech::kOutputVoiceText);
    EXPECT_EQ(logLines(), (std::vector<std::string>{kFocusTalkLine}));
}

TEST_F(SpeechChannelsTest, LibraryWithoutTheFunctionCountsAsMissing)
{
    install("noexport/SOUNDP.DLL", programFolder_);
    sendCaption(rv::speech::kSoundMessage);
    EXPECT_TRUE(logLines().empty());
}

TEST_F(SpeechChannelsTest, LibrariesAreFoundWhereTheSystemLooksButNeverInTheCurrentFolder)
{
    struct Place {
        const char* where;
        std::function<void(const fs::path& elsewhere)> put;
        bool loaded;
    };
    const Place places[] = {
        {"in the program folder, with the helper library it needs beside it",
         [this](const fs::path&) {
             install("dependent/SOUNDP.DLL", programFolder_);
             install("dependent/SpeechHelper.DLL", programFolder_);
         },
         true},
        {"in a folder on PATH",
         [this](const fs::path& elsewhere) {
             install("SOUNDP.DLL", elsewhere);
             SetEnvironmentVariableW(L"PATH", (elsewhere.native() + L";" + path_).c_str());
         },
         true},
        {"only in the current folder (a document's folder)",
         [this](const fs::path& elsewhere) {
             install("SOUNDP.DLL", elsewhere);
             fs::current_path(elsewhere);
         },
         false},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.where);
        const fs::path elsewhere = root_ / "elsewhere";
        fs::create_directories(elsewhere);
        place.put(elsewhere);
        sendCaption(rv::speech::kSoundMessage);
        EXPECT_EQ(logLines(), place.loaded ? std::vector<std::string>{kSoundMessageLine} : std::vector<std::string>{});

        channels_.reset();
        fs::current_path(currentFolder_);
        SetEnvironmentVariableW(L"PATH", path_.c_str());
        fs::remove_all(elsewhere);
        fs::remove_all(programFolder_);
        fs::create_directories(programFolder_);
        fs::remove(log_);
    }
}

TEST_F(SpeechChannelsTest, RegisteredControlIsCalledLateBoundWithTheTextByValue)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        const rv::test::StandInRegistration registration((standInFolder() / "ksocx_standin.dll").native());
        auto control = rv::win32::createSpeechControl();
        EXPECT_STREQ(control->backEnd(), L"KsOCX.Voice");
        WindowSpeechChannels channels(std::move(control), programFolder_.native());
        channels.callControl(VoiceOperation::Speak, kHeading);
        channels.callControl(VoiceOperation::AfterSpeakingHeading);
        channels.callControl(VoiceOperation::BeforeSpeakingCaption);
        channels.callControl(VoiceOperation::Speak, kCaption);
    }
    CoUninitialize();
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"Voice1 0x60030002 BSTR ＲＶシステムのデータバックアップ", "Voice1 0x6003000A",
                                        "Voice1 0x60030003", "Voice1 0x60030002 BSTR データバックアップ"}));
}

} // namespace
