// Drives the real program under wine as a user would: finds its windows by
// caption, moves the focus with Tab, presses buttons, answers the folder
// browser and reads the message boxes; the speech stand-ins record what the
// program said and in which order.
#include "main_window_fixture.h"

namespace {

using namespace rv::test::gui; // NOLINT(google-build-using-namespace): the fixture's own helpers

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
    HWND progress = program_->waitForWindow([](HWND w) { return rv::test::className(w) == L"RvProgressWindow"; });
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

// A BM_CLICK or a screen reader's Invoke reaches the button while the
// command's own dialogs are open: it starts nothing, from the click until
// the closing box is gone. Escape on the question answers No.
TEST_F(MainWindowGuiTest, TheBackupButtonIsLockedDuringTheCommandAndEscapeOnTheQuestionIsNo)
{
    // The records system has 予約51.mdb open: its engine holds the lock file.
    const fs::path lock = clinic_ / L"予約51.ldb";
    writeFile(lock, "lock");
    HANDLE engine = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(engine, INVALID_HANDLE_VALUE);
    HWND window = start();
    ASSERT_NE(window, nullptr);
    HWND command13 = GetDlgItem(window, rv::win32::kIdCommand13);
    PostMessageW(command13, BM_CLICK, 0, 0);
    HWND browser = waitForFolderBrowser();
    ASSERT_NE(browser, nullptr);
    PostMessageW(command13, BM_CLICK, 0, 0);
    EXPECT_EQ(
        program_->waitForWindow([&](HWND w) { return w != browser && isFolderBrowser(w); }, std::chrono::seconds(2)),
        nullptr)
        << "no second folder browser inside the first";
    ASSERT_TRUE(program_->selectInFolderBrowser(browser, destination_.native()));
    PostMessageW(browser, WM_COMMAND, IDOK, 0);

    HWND question = program_->waitForWindow(
        [](HWND w) { return rv::test::isMessageBox(w) && hasTextContaining(w, L"予約51.mdb"); });
    ASSERT_NE(question, nullptr);
    PostMessageW(command13, BM_CLICK, 0, 0);
    EXPECT_EQ(waitForFolderBrowser(std::chrono::seconds(2)), nullptr) << "no folder browser over the question";
    pressKey(program_->focus(), VK_ESCAPE);
    EXPECT_TRUE(rv::test::waitUntil([&] { return !IsWindow(question); })) << "Escape closes the question";
    EXPECT_EQ(program_->waitForMessageBox(kMessageCaption, std::chrono::seconds(2)), nullptr)
        << "answered No: nothing copied, nothing to say";
    EXPECT_TRUE(fs::is_empty(destination_));
    CloseHandle(engine);

    PostMessageW(GetDlgItem(window, rv::win32::kIdCommand4), BM_CLICK, 0, 0);
    EXPECT_EQ(program_->waitForExit(), 0);
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

} // namespace
