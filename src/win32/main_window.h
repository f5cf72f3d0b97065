#pragma once

#include "backup/backup_flow.h"
#include "common/result.h"
#include "settings/settings.h"
#include "win32/backup_windows.h"
#include "win32/picture.h"
#include "win32/speech_channels.h"
#include "win32/twips.h"
#include "win32/window_class.h"

#include <windows.h>

#include <memory>
#include <string>

namespace rv::win32 {

// The main window `選択3`: heading, backup button, exit button, the hidden
// folder box `Text1` and the place of the speech control `Voice1`. All the
// program's work after start-up runs in its four handlers.
class MainWindow {
public:
    // Creates the window and its controls, hidden, then runs `Form_Load`.
    static Result<std::unique_ptr<MainWindow>, std::string> load(const Settings& settings, std::wstring programFolder,
                                                                 std::unique_ptr<WindowSpeechChannels> speech);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;
    ~MainWindow();

    // Shows it centred and active; the focus goes to `Command13`.
    void show();
    HWND handle() const { return window_; }

    void Form_Load();
    void Command13_Click();
    void Command13_GotFocus();
    void Command4_Click();

private:
    MainWindow(const Settings& settings, std::wstring programFolder, std::unique_ptr<WindowSpeechChannels> speech,
               Picture picture);

    friend LRESULT CALLBACK objectWindowProc<MainWindow>(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    // Places the controls, makes their fonts and scales the picture for dpi_.
    void layOut();
    void onDpiChanged(int dpi, const RECT& suggested);
    void onCommand(int id, int notification);
    void onClose();
    void paint();
    std::wstring textOf(HWND control) const;

    std::wstring programFolder_;
    std::unique_ptr<WindowSpeechChannels> speech_;
    Picture picture_;
    int dpi_ = 96;
    HWND window_ = nullptr;
    HWND command13_ = nullptr;
    HWND command4_ = nullptr;
    HWND label1_ = nullptr;
    HWND text1_ = nullptr;
    HWND voice1_ = nullptr;
    HWND focusOnActivate_ = nullptr; // the control that gets the focus back when the window is activated
    OwnedFont command13Font_;
    OwnedFont command4Font_;
    OwnedFont label1Font_;
    HBRUSH backBrush_ = nullptr;
    // The backup command behind Command13 and the windows it shows.
    BackupFlow backupFlow_;
    std::unique_ptr<BackupWindows> backupWindows_;
};

} // namespace rv::win32
