#pragma once

// The fixture of the tests that drive the real program under wine: a clinic
// laid out in a folder of its own, the program copied into it beside the
// speech stand-ins, and an empty destination for its backups.
#include "gui_test_main.h"
#include "running_program.h"
#include "speech_log.h"
#include "standin_registration.h"
#include "win32/control_ids.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace rv::test::gui {

namespace fs = std::filesystem;
using rv::test::RunningProgram;

inline const std::wstring kMainCaption = L"ＲＶシステムのデータバックアップ";
inline const std::wstring kMessageCaption = L"RVシステム";
inline const std::string kCaptionBytes = " 83 66 81 5B 83 5E 83 6F 83 62 83 4E 83 41 83 62 83 76 00 | 2";
inline const std::vector<std::string> kHeadingLines{"Voice1 0x60030002 BSTR ＲＶシステムのデータバックアップ",
                                                    "Voice1 0x6003000A"};
inline const std::vector<std::string> kFocusLines{"Voice1 0x60030003", "Voice1 0x60030002 BSTR データバックアップ",
                                                  "SoundMessage" + kCaptionBytes, "FT_OutputVoiceText" + kCaptionBytes};
inline const char* const kDefaultDatabases[] = {
    "予約51.mdb",          "保険申請51_1.mdb", "Meiro51.mdb",  "Tavo51.mdb",     "Tavo2_51.mdb",
    "カルテ2データ51.mdb", "同意医師51.mdb",   "保険者51.mdb", "料金設定51.mdb", "保険申請51_2.mdb"};

inline void writeFile(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string cp932(const std::wstring& text)
{
    const int size =
        WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

inline RECT placeInClient(HWND control, HWND window)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

inline void pressKey(HWND target, WPARAM key)
{
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

inline bool isFolderBrowser(HWND window)
{
    const auto texts = rv::test::childTexts(window, L"Static");
    return rv::test::isMessageBox(window) && std::find(texts.begin(), texts.end(), L"フォルダの選択") != texts.end();
}

inline bool hasTextContaining(HWND window, const std::wstring& part)
{
    const auto texts = rv::test::childTexts(window, L"Static");
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::wstring& text) { return text.find(part) != std::wstring::npos; });
}

// The mouse pointer as the program shows it once the mouse has moved onto
// the window, near its top-left corner (clear of a window centred over it).
inline HCURSOR pointerOnceMovedOnto(HWND window)
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
        return program_->waitForWindow(isFolderBrowser, timeout);
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

inline std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

} // namespace rv::test::gui
