#include "win32/startup_sequence.h"

#include "settings/settings.h"
#include "win32/debug_log.h"
#include "win32/main_window.h"
#include "win32/message_loop.h"
#include "win32/speech_channels.h"
#include "win32/speech_control.h"
#include "win32/splash_window.h"
#include "win32/wide_text.h"

#include <windows.h>

namespace rv::win32 {
namespace {

constexpr wchar_t kMessageCaption[] = L"RVシステム";
// Long enough to see the splash, short enough not to keep anyone waiting.
constexpr DWORD kSplashPauseMs = 500;
// The program's own windows could not be built (a damaged executable).
constexpr int kExitWindowFailure = 3;

int fail(const std::string& reason)
{
    logLine(L"rv.startup", widen(reason));
    MessageBoxW(nullptr, widen(reason).c_str(), kMessageCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kExitWindowFailure;
}

} // namespace

int runStartupSequence(const std::wstring& programFolder)
{
    SetCurrentDirectoryW(programFolder.c_str());
    auto splash = SplashWindow::create();
    if (!splash.ok()) {
        return fail(splash.error());
    }
    splash.value()->showAndPaint();
    logLine(L"rv.startup", L"splash shown");
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    Sleep(kSplashPauseMs);

    const auto settings = ReadSettings(narrow(programFolder));
    if (!settings.ok()) {
        const std::wstring text = widen(describeSettingsError(settings.error()));
        logLine(L"rv.startup", text);
        // Not owned by the splash: the box would enable it again when it closes.
        MessageBoxW(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
        return settings.error().errorNumber;
    }
    for (const std::string& note : settings.value().notes) {
        logLine(L"rv.startup", L"rv.dat: " + widen(note));
    }

    auto speech = std::make_unique<WindowSpeechChannels>(createSpeechControl(), programFolder);
    auto mainWindow = MainWindow::load(settings.value(), programFolder, std::move(speech));
    if (!mainWindow.ok()) {
        return fail(mainWindow.error());
    }
    mainWindow.value()->show();
    logLine(L"rv.startup", L"main window shown");
    splash.value().reset();
    return runMessageLoop();
}

} // namespace rv::win32
