// The restore window, opened as --restore opens it, over a fake restore
// service (restore_window_host.cpp), driven from outside as a user would.
#include "main_window_fixture.h"

#include <commctrl.h>

#include <cstdio>

namespace {

using namespace rv::test::gui; // NOLINT(google-build-using-namespace): the fixture's own helpers

const std::wstring kRestoreCaption = L"データの復元";

// What the three channels receive as a control takes the focus with caption.
std::vector<std::string> focusLines(const std::wstring& caption)
{
    std::string bytes;
    for (const char byte : cp932(caption)) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", static_cast<unsigned char>(byte));
        bytes += hex;
    }
    bytes += " 00 | 2";
    const std::string text = rv::platform::fromPath(caption);
    return {"Voice1 0x60030003", "Voice1 0x60030002 BSTR " + text, "SoundMessage" + bytes,
            "FT_OutputVoiceText" + bytes};
}

class RestoreWindowGuiTest : public MainWindowGuiTest {
protected:
    void SetUp() override
    {
        MainWindowGuiTest::SetUp();
        const fs::path host =
            rv::platform::toPath(rv::platform::executableFolder().value()) / "restore_window_host.exe";
        fs::copy_file(host, clinic_ / "restore_window_host.exe");
        calls_ = root_ / "restore-calls.log";
        SetEnvironmentVariableW(L"RV_RESTORE_LOG", calls_.c_str());
    }

    HWND open()
    {
        program_ = std::make_unique<RunningProgram>((clinic_ / "restore_window_host.exe").native(), root_.native());
        EXPECT_TRUE(program_->started());
        return program_->waitForWindowCaption(kRestoreCaption);
    }

    // What the service was asked, once the window has gone.
    std::vector<std::string> serviceCalls() const { return rv::test::readSpeechLog(calls_); }

    void chooseTheBackupFolder(HWND window)
    {
        PostMessageW(GetDlgItem(window, rv::win32::kIdRestoreFolderButton), BM_CLICK, 0, 0);
        HWND browser = waitForFolderBrowser();
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(GetWindow(browser, GW_OWNER), window);
        ASSERT_TRUE(program_->selectInFolderBrowser(browser, destination_.native()));
        PostMessageW(browser, WM_COMMAND, IDOK, 0);
        HWND list = GetDlgItem(window, rv::win32::kIdRestoreGenerations);
        ASSERT_TRUE(rv::test::waitUntil([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2; }));
    }

    // By keyboard, as a user working by ear does: Tab into the list, then Down.
    void pickTheFirstRow(HWND window)
    {
        HWND folderButton = GetDlgItem(window, rv::win32::kIdRestoreFolderButton);
        HWND list = GetDlgItem(window, rv::win32::kIdRestoreGenerations);
        ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == folderButton; }));
        pressKey(folderButton, VK_TAB);
        ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == list; }));
        pressKey(list, VK_DOWN);
    }

    // Presses the restore button and returns the question it asks.
    HWND askToRestore(HWND window)
    {
        HWND start = GetDlgItem(window, rv::win32::kIdRestoreStart);
        EXPECT_TRUE(rv::test::waitUntil([&] { return IsWindowEnabled(start) != FALSE; }));
        PostMessageW(start, BM_CLICK, 0, 0);
        return program_->waitForWindow(
            [](HWND w) { return rv::test::isMessageBox(w) && hasTextContaining(w, L"復元しますか？"); });
    }

    fs::path calls_;
};

TEST_F(RestoreWindowGuiTest, OpensSpeakingItsHeadingThenTheFocusedFolderButtonsCaption)
{
    HWND window = open();
    ASSERT_NE(window, nullptr);
    HWND folderButton = GetDlgItem(window, rv::win32::kIdRestoreFolderButton);
    ASSERT_TRUE(rv::test::waitUntil([&] { return program_->focus() == folderButton; }));
    ASSERT_TRUE(speechLogHas(6));
    EXPECT_EQ(speechLog(), concat({{"Voice1 0x60030002 BSTR データの復元", "Voice1 0x6003000A"},
                                   focusLines(L"バックアップフォルダの選択")}));
    // Tab reaches the list of generations, which says what it is.
    pressKey(folderButton, VK_TAB);
    ASSERT_TRUE(
        rv::test::waitUntil([&] { return program_->focus() == GetDlgItem(window, rv::win32::kIdRestoreGenerations); }));
    ASSERT_TRUE(speechLogHas(10));
    const auto spoken = speechLog();
    EXPECT_EQ(std::vector<std::string>(spoken.begin() + 6, spoken.end()), focusLines(L"復元するバックアップ"));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, rv::win32::kIdRestoreStart))) << "nothing picked yet";

    PostMessageW(GetDlgItem(window, rv::win32::kIdRestoreClose), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->waitForExit(), 0);
}

// No, the question's default, touches nothing; Yes runs the restore behind
// the progress window, whose cancel reaches the service, and the closing box
// says how it ended.
TEST_F(RestoreWindowGuiTest, NoAtTheQuestionTouchesNothingAndYesRunsWithProgressThenTheResult)
{
    HWND window = open();
    ASSERT_NE(window, nullptr);
    chooseTheBackupFolder(window);
    EXPECT_EQ(rv::test::windowText(GetDlgItem(window, rv::win32::kIdRestoreFolderText)), destination_.native());
    pickTheFirstRow(window);
    HWND replaced = GetDlgItem(window, rv::win32::kIdRestoreReplaced);
    ASSERT_TRUE(rv::test::waitUntil([&] { return !rv::test::windowText(replaced).empty(); }));
    EXPECT_EQ(rv::test::windowText(replaced), L"/rv/予約51.mdb\r\n/rv/GDATA/カルテ.txt\r\n");
    EXPECT_NE(rv::test::windowText(GetDlgItem(window, rv::win32::kIdRestoreSummary)).find(L"置き換わるファイル 2 個"),
              std::wstring::npos);

    HWND question = askToRestore(window);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(GetWindow(question, GW_OWNER), window);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(question, IDNO), GWL_STYLE) & BS_DEFPUSHBUTTON) << "No is the default";
    pressKey(program_->focus(), VK_RETURN);
    ASSERT_TRUE(rv::test::waitUntil([&] { return !IsWindow(question); }));
    EXPECT_EQ(program_->waitForMessageBox(kMessageCaption, std::chrono::seconds(2)), nullptr) << "answered No";

    question = askToRestore(window);
    ASSERT_NE(question, nullptr);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    HWND progress = program_->waitForWindow([](HWND w) { return rv::test::className(w) == L"RvProgressWindow"; });
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(GetWindow(progress, GW_OWNER), window);
    EXPECT_TRUE(rv::test::waitUntil([&] { return hasTextContaining(progress, L"予約51.mdb を復元しています"); }));
    EXPECT_FALSE(IsWindowEnabled(window));
    PostMessageW(FindWindowExW(progress, nullptr, L"Button", L"中止"), BM_CLICK, 0, 0);

    HWND result = program_->waitForWindow(
        [](HWND w) { return rv::test::isMessageBox(w) && hasTextContaining(w, L"データの復元が終わりました。"); });
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(hasTextContaining(result, L"/rv/復元前/2026-12-09 18時00分"));
    PostMessageW(result, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(rv::test::waitUntil([&] { return !IsWindow(result) && IsWindowEnabled(window); }));

    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->waitForExit(), 0);
    const std::string folder = rv::platform::fromPath(destination_);
    EXPECT_EQ(serviceCalls(), (std::vector<std::string>{"generations " + folder, "preview " + folder + " latest",
                                                        "restore " + folder + " latest"}));
}

} // namespace
