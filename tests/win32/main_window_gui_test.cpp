// Drives the real program under wine as a user would: finds its windows by
// caption, moves the focus with Tab, presses buttons, answers the folder
// browser and reads the message boxes; the speech stand-ins record what the
// program said and in which order.
#include "gui_test_main.h"
#include "running_program.h"
#include "speech_log.h"
#include "standin_registration.h"
#include "win32/control_ids.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using rv::test::RunningProgram;

namespace {

const std::wstring kMainCaption = L"ＲＶシステムのデータバックアップ";
const std::wstring kMessageCaption = L"RVシステム";
const std::string kCaptionBytes = " 83 66 81 5B 83 5E 83 6F 83 62 83 4E 83 41 83 62 83 76 00 | 2";
const std::vector<std::string> kHeadingLines{"Voice1 0x60030002 BSTR ＲＶシステムのデータバックアップ",
                                             "Voice1 0x6003000A"};
const std::vector<std::string> kFocusLines{"Voice1 0x60030003", "Voice1 0x60030002 BSTR データバックアップ",
                                           "SoundMessage" + kCaptionBytes, "FT_OutputVoiceText" + kCaptionBytes};
const char* const kDefaultDatabases[] = {"予約51.mdb",     "保険申請51_1.mdb",    "Meiro51.mdb",    "Tavo51.mdb",
                                         "Tavo2_51.mdb",   "カルテ2データ51.mdb", "同意医師51.mdb", "保険者51.mdb",
                                         "料金設定51.mdb", "保険申請51_2.mdb"};

void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string cp932(const std::wstring& text)
{
    const int size =
        WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

RECT placeInClient(HWND control, HWND window)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void pressKey(HWND target, WPARAM key)
{
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

bool isMessageBox(HWND window) { return rv::test::className(window) == L"#32770"; }

// The mouse pointer as the program shows it once the mouse has moved onto
// the window, near its top-left corner (clear of a window centred over it).
HCURSOR pointerOnceMovedOnto(HWND window)
{
    POINT point{8, 8};
    ClientToScreen(window, &point);
    SetCursorPos(point.x + 2, point.y);
    INPUT move{};
    move.type = INPUT_MOUSE;
    move.mi.dx = -2;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    SendInput(1, &move, sizeof(move));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    CURSORINFO info{};
    info.cbSize = sizeof(info);
    return GetCursorInfo(&info) ? info.hCursor : nullptr;
}

class MainWindowGuiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        // Not under the temporary folder: it lies in the hidden AppData,
        // which the folder browser does not list, so it could not be chosen.
        root_ = fs::path(L"C:\\rv-gui-tests") / test->name();
        fs::remove_all(root_);
        clinic_ = root_ / L"クリニック";
        fs::create_directories(clinic_);
        fs::copy_file(rv::test::guiTestInputs().programExe, clinic_ / "rvdatebackup.exe");
        fs::copy_file(rv::test::guiTestInputs().standInFolder / "SOUNDP.DLL", clinic_ / "SOUNDP.DLL");
        fs::copy_file(rv::test::guiTestInputs().standInFolder / "FocusTalkExt.DLL", clinic_ / "FocusTalkExt.DLL");
        // Japanese names as wide literals: a narrow one would pass through
        // the ANSI code page. The main database sits in a Japanese-named folder named by rv.dat
        // (CP932); every other entry takes its program-folder default.
        mainDatabase_ = clinic_ / L"データ" / L"臨床RV51N.mdb";
        writeFile(clinic_ / "rv.dat", ",,,\"" + cp932(mainDatabase_.native()) + "\"\r\n");
        writeFile(mainDatabase_, "main database");
        for (const char* name : kDefaultDatabases) {
            writeFile(clinic_ / rv::platform::toPath(name), std::string("contents of ") + name);
        }
        writeFile(clinic_ / "id.dat", "id");
        writeFile(clinic_ / "GDATA" / L"患者" / "0001.dat", "patient 1");
        writeFile(clinic_ / "GDATA" / "top.dat", "top");
        // wine's folder browser reliably selects a folder by path only one
        // level deep, with a short name of the ANSI code page.
        destination_ = fs::path(L"C:\\rvbackup");
        fs::remove_all(destination_);
        fs::create_directories(destination_);
        log_ = root_ / "speech.log";
        SetEnvironmentVariableA(RV_SPEECH_LOG_VARIABLE, rv::platform::fromPath(log_).c_str());
        registration_ = std::make_unique<rv::test::StandInRegistration>(
            (rv::test::guiTestInputs().standInFolder / "ksocx_standin.dll").native());
    }

    void TearDown() override
    {
        program_.reset();
        registration_.reset();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        fs::remove_all(destination_, ignored);
    }

    // Started from another folder than its own, as from a shortcut.
    HWND start()
    {
        program_ = std::make_unique<RunningProgram>((clinic_ / "rvdatebackup.exe").native(), root_.native());
        EXPECT_TRUE(program_->started());
        return program_->waitForWindowCaption(kMainCaption);
    }

    std::vector<std::string> speechLog() const { return rv::test::readSpeechLog(log_); }

    bool speechLogHas(std::size_t lines) const
    {
        return rv::test::waitUntil([&] { return speechLog().size() >= lines; });
    }

    HWND waitForFolderBrowser(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const
    {
        return program_->waitForWindow(
            [](HWND window) {
                const auto texts = rv::test::childTexts(window, L"Static");
                return isMessageBox(window) && std::find(texts.begin(), texts.end(), L"フォルダの選択") != texts.end();
            },
            timeout);
    }

    // Clicks the backup button and picks the destination in the browser.
    void startBackup(HWND window)
    {
        PostMessageW(GetDlgItem(window, rv::win32::kIdCommand13), BM_CLICK, 0, 0);
        HWND browser = waitForFolderBrowser();
        ASSERT_NE(browser, nullptr);
        ASSERT_TRUE(program_->selectInFolderBrowser(browser, destination_.native()));
        PostMessageW(browser, WM_COMMAND, IDOK, 0);
    }

    fs::path root_;
    fs::path clinic_;
    fs::path mainDatabase_;
    fs::path destination_;
    fs::path log_;
    std::unique_ptr<rv::test::StandInRegistration> registration_;
    std::unique_ptr<RunningProgram> program_;
};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

TEST_F(MainWindowGuiTest, OpensLaidOutWithCommand13FocusedAfterSpeakingHeadingThenCaption)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    HWND command13 = GetDlgItem(window, rv::win32::kIdCommand13);
    ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command13; }));
    ASSERT_TRUE(speechLogHas(6));
    EXPECT_EQ(speechLog(), concat({kHeadingLines, kFocusLines}));

    // At wine's 96 dpi, 15 twips to the pixel.
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 492);
    EXPECT_EQ(client.bottom, 251);
    struct Expected {
        int id;
        const wchar_t* text;
        RECT rect;
        bool visible;
    };
    const Expected controls[] = {
        {rv::win32::kIdCommand13, L"データバックアップ", {112, 104, 112 + 257, 104 + 33}, true},
        {rv::win32::kIdCommand4, L"終了", {176, 160, 176 + 137, 160 + 33}, true},
        {rv::win32::kIdLabel1, L"ＲＶシステムのデータバックアップ", {80, 40, 80 + 353, 40 + 33}, true},
        {rv::win32::kIdText1, L"Text1", {376, 176, 376 + 89, 176 + 18}, false},
        {rv::win32::kIdVoice1, L"", {32, 184, 32 + 33, 184 + 32}, true},
    };
    for (const Expected& control : controls) {
        HWND child = GetDlgItem(window, control.id);
        ASSERT_NE(child, nullptr) << control.id;
        const RECT rect = placeInClient(child, window);
        EXPECT_EQ(rect.left, control.rect.left) << control.id;
        EXPECT_EQ(rect.top, control.rect.top) << control.id;
        EXPECT_EQ(rect.right, control.rect.right) << control.id;
        EXPECT_EQ(rect.bottom, control.rect.bottom) << control.id;
        EXPECT_EQ(rv::test::windowText(child), control.text) << control.id;
        EXPECT_EQ(IsWindowVisible(child) != FALSE, control.visible) << control.id;
    }
    // The splash has gone.
    EXPECT_EQ(FindWindowW(L"RvSplashWindow", nullptr), nullptr);
}

TEST_F(MainWindowGuiTest, TabMovesFocusBetweenTheButtonsAndEachReturnSpeaksAgain)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    HWND command13 = GetDlgItem(window, rv::win32::kIdCommand13);
    HWND command4 = GetDlgItem(window, rv::win32::kIdCommand4);
    ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command13; }));
    for (int round = 0; round < 2; ++round) {
        pressKey(command13, VK_TAB);
        ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command4; })) << round;
        pressKey(command4, VK_TAB);
        ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command13; })) << round;
    }
    ASSERT_TRUE(speechLogHas(14));
    EXPECT_EQ(speechLog(), concat({kHeadingLines, kFocusLines, kFocusLines, kFocusLines}));
}

TEST_F(MainWindowGuiTest, EscapeDoesNothingAndEnterPressesOnlyTheFocusedButton)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    HWND command13 = GetDlgItem(window, rv::win32::kIdCommand13);
    HWND command4 = GetDlgItem(window, rv::win32::kIdCommand4);
    ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command13; }));
    pressKey(command13, VK_ESCAPE);
    pressKey(command13, VK_TAB);
    ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command4; }));
    EXPECT_TRUE(IsWindow(window));
    // Enter on the exit button ends the program.
    pressKey(command4, VK_RETURN);
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(MainWindowGuiTest, CancelledFolderBrowserCopiesNothingAndSaysNothing)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    HWND command13 = GetDlgItem(window, rv::win32::kIdCommand13);
    PostMessageW(command13, BM_CLICK, 0, 0);
    HWND browser = waitForFolderBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(GetWindow(browser, GW_OWNER), window);
    PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(rv::test::waitUntil([&] { return !IsWindow(browser); }));
    EXPECT_EQ(program_->waitForMessageBox(kMessageCaption, std::chrono::seconds(2)), nullptr)
        << "no message after a cancel";
    EXPECT_EQ(rv::test::windowText(GetDlgItem(window, rv::win32::kIdText1)), L"Text1");
    EXPECT_TRUE(fs::is_empty(destination_));
}

TEST_F(MainWindowGuiTest, BackupCopiesEverythingIntoTheFolderChosenInTheBrowser)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    HWND command13 = GetDlgItem(window, rv::win32::kIdCommand13);
    ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == command13; }));
    startBackup(window);

    HWND box = program_->waitForMessageBox(kMessageCaption);
    ASSERT_NE(box, nullptr);
    const auto texts = rv::test::childTexts(box, L"Static");
    EXPECT_NE(std::find(texts.begin(), texts.end(), L"データのバックアップが終わりました。"), texts.end())
        << rv::platform::fromPath(texts.empty() ? std::wstring() : texts.back());
    EXPECT_EQ(GetWindow(box, GW_OWNER), window);
    // While the message is up the main window takes no input.
    EXPECT_FALSE(IsWindowEnabled(window));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(rv::test::waitUntil([&] { return !IsWindow(box) && IsWindowEnabled(window); }));

    EXPECT_EQ(readFile(destination_ / L"臨床RV51N.mdb"), "main database");
    for (const char* name : kDefaultDatabases) {
        EXPECT_EQ(readFile(destination_ / rv::platform::toPath(name)), std::string("contents of ") + name) << name;
    }
    EXPECT_EQ(readFile(destination_ / "rv.dat"), readFile(clinic_ / "rv.dat"));
    EXPECT_EQ(readFile(destination_ / "id.dat"), "id");
    EXPECT_EQ(readFile(destination_ / "GDATA" / L"患者" / "0001.dat"), "patient 1");
    EXPECT_EQ(readFile(destination_ / "GDATA" / "top.dat"), "top");
    // The hidden box holds the chosen folder, without a separator added.
    EXPECT_EQ(rv::test::windowText(GetDlgItem(window, rv::win32::kIdText1)), destination_.native());
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window, rv::win32::kIdText1)));

    PostMessageW(GetDlgItem(window, rv::win32::kIdCommand4), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(MainWindowGuiTest, DuringARunProgressIsShownNoSecondRunStartsAndClosingCancelsAndEnds)
{
    // The first database in the copy order, large enough for the run to last
    // (wine copies a file whole, without stopping inside it).
    fs::resize_file(clinic_ / "Tavo51.mdb", std::uintmax_t{3} << 30);
    HWND window = start();
    ASSERT_NE(window, nullptr);
    const HCURSOR idlePointer = pointerOnceMovedOnto(window);
    startBackup(window);
    HWND progress = program_->waitForWindow([](HWND w) { return rv::test::className(w) == L"RvBackupProgress"; });
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetWindow(progress, GW_OWNER), window);
    EXPECT_TRUE(rv::test::waitUntil([&] {
        const auto texts = rv::test::childTexts(progress, L"Static");
        return std::find(texts.begin(), texts.end(), L"Tavo51.mdb をコピーしています（1 / 14）") != texts.end();
    }));

    // The busy pointer over the main window, however the mouse moves.
    const HCURSOR busyPointer = pointerOnceMovedOnto(window);
    EXPECT_NE(busyPointer, nullptr);
    EXPECT_NE(busyPointer, idlePointer);

    // A disabled button still takes BM_CLICK: it must start nothing.
    PostMessageW(GetDlgItem(window, rv::win32::kIdCommand13), BM_CLICK, 0, 0);
    EXPECT_EQ(waitForFolderBrowser(std::chrono::seconds(2)), nullptr) << "no second run during a run";

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->waitForExit(std::chrono::seconds(90)), 0);
    EXPECT_FALSE(fs::exists(destination_ / "GDATA")) << "the run was cancelled before the data folder";
}

TEST_F(MainWindowGuiTest, ExitButtonAndClosingTheWindowEndTheProgramAtOnce)
{
    HWND window = start();
    ASSERT_NE(window, nullptr);
    PostMessageW(GetDlgItem(window, rv::win32::kIdCommand4), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->waitForExit(), 0);

    window = start();
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->waitForExit(), 0);
}

TEST_F(MainWindowGuiTest, UnattendedBackupWritesOneLinePerItemAndExitsWithItsCode)
{
    const std::wstring exe = (clinic_ / "rvdatebackup.exe").native();
    const auto run = rv::test::runToEnd(exe, L"--backup-to \"" + destination_.native() + L"\"", root_.native());
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("データのバックアップが終わりました。"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(rv::platform::fromPath(mainDatabase_)), std::string::npos) << run.output;
    EXPECT_EQ(readFile(destination_ / L"臨床RV51N.mdb"), "main database");
    EXPECT_EQ(readFile(destination_ / "GDATA" / L"患者" / "0001.dat"), "patient 1");
    EXPECT_EQ(FindWindowW(L"RvMainWindow", nullptr), nullptr) << "no window in unattended mode";

    const auto missing = rv::test::runToEnd(exe, L"--backup-to=C:\\no-such-folder", root_.native());
    EXPECT_EQ(missing.exitCode, 2) << missing.output;
}

TEST_F(MainWindowGuiTest, MissingSettingsFileShowsError53AndNoMainWindow)
{
    fs::remove(clinic_ / "rv.dat");
    program_ = std::make_unique<RunningProgram>((clinic_ / "rvdatebackup.exe").native(), root_.native());
    HWND box = program_->waitForMessageBox(kMessageCaption);
    ASSERT_NE(box, nullptr);
    const auto texts = rv::test::childTexts(box, L"Static");
    const std::wstring expected =
        L"実行時エラー '53':\n\nファイルが見つかりません。\n\n" + (clinic_ / "rv.dat").native();
    EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end());
    EXPECT_EQ(FindWindowW(L"RvMainWindow", nullptr), nullptr);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program_->waitForExit(), 53);
}

} // namespace
