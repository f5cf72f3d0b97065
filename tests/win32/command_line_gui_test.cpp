// The program started from a command line or a scheduled task: it answers
// without a window, or reports a missing rv.dat in a message box.
#include "main_window_fixture.h"

namespace {

using namespace rv::test::gui; // NOLINT(google-build-using-namespace): the fixture's own helpers

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

// A scheduled task with a wrong command line ends at once with its code and
// a Japanese line, rather than waiting on a window nobody sees.
TEST_F(MainWindowGuiTest, AWrongCommandLineExitsTwoWithoutAWindow)
{
    const std::wstring exe = (clinic_ / "rvdatebackup.exe").native();
    struct Case {
        const wchar_t* arguments;
        const char* line;
    };
    const Case cases[] = {
        {L"--bogus", "不明なオプションです：--bogus\n"},
        {L"--backup-to", "--backup-to の後にフォルダを指定してください。\n"},
    };
    for (const Case& c : cases) {
        const auto run = rv::test::runToEnd(exe, c.arguments, root_.native(), std::chrono::seconds(20));
        EXPECT_EQ(run.exitCode, 2) << run.output;
        EXPECT_NE(run.output.find(c.line), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("--help"), std::string::npos) << run.output;
    }
    const auto help = rv::test::runToEnd(exe, L"--help", root_.native(), std::chrono::seconds(20));
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--backup-to <DIR>"), std::string::npos) << help.output;
    const auto version = rv::test::runToEnd(exe, L"--version", root_.native(), std::chrono::seconds(20));
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "RVシステム データバックアップ バージョン 3.20\n");
    EXPECT_EQ(FindWindowW(L"RvMainWindow", nullptr), nullptr);
}

// rv.dat missing, or held by another program without sharing: the box says
// why in Japanese, the system's error by its meaning and number.
TEST_F(MainWindowGuiTest, AnUnreadableSettingsFileShowsItsErrorAndNoMainWindow)
{
    const fs::path settings = clinic_ / "rv.dat";
    HANDLE held = CreateFileW(settings.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    struct Case {
        int errorNumber;
        std::wstring reason;
    };
    const Case cases[] = {
        {75, L"ファイルを開けません：ほかのプログラムが使っています（Windows のエラー 32）。"},
        {53, L"ファイルが見つかりません。"},
    };
    for (const Case& c : cases) {
        if (c.errorNumber == 53) {
            CloseHandle(held);
            fs::remove(settings);
        }
        program_ = std::make_unique<RunningProgram>((clinic_ / "rvdatebackup.exe").native(), root_.native());
        HWND box = program_->waitForMessageBox(kMessageCaption);
        ASSERT_NE(box, nullptr);
        const auto texts = rv::test::childTexts(box, L"Static");
        const std::wstring expected =
            L"実行時エラー '" + std::to_wstring(c.errorNumber) + L"':\n\n" + c.reason + L"\n\n" + settings.native();
        EXPECT_NE(std::find(texts.begin(), texts.end(), expected), texts.end()) << c.errorNumber;
        EXPECT_EQ(FindWindowW(L"RvMainWindow", nullptr), nullptr);
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(program_->waitForExit(), c.errorNumber);
    }
}

} // namespace
