#include "win32/startup_sequence.h"

#include "settings/settings.h"
#include "startup/startup_order.h"
#include "win32/debug_log.h"
#include "win32/main_window.h"
#include "win32/message_loop.h"
#include "win32/speech_channels.h"
#include "win32/speech_control.h"
#include "win32/splash_window.h"
#include "win32/wide_text.h"

#include <windows.h>

#include <memory>

namespace rv::win32 {
namespace {

constexpr wchar_t kMessageCaption[] = L"RVシステム";
// What a clinic reads when the program's own windows cannot be made; the
// cause goes to the log.
constexpr wchar_t kWindowFailure[] = L"画面を表示できないため、データバックアップを起動できません。\n\n"
                                     L"プログラムを入れ直してください。";
// Long enough to see the splash, short enough not to keep anyone waiting.
constexpr DWORD kSplashPauseMs = 500;
// The program's own windows could not be built (a damaged executable).
constexpr int kExitWindowFailure = 3;

// Keeps a window that could be built; reports one that could not.
template <typename Window>
bool keep(Result<std::unique_ptr<Window>, std::string> built, std::unique_ptr<Window>& window)
{
    if (!built.ok()) {
        reportWindowFailure(built.error());
        return false;
    }
    window = std::move(built).value();
    return true;
}

// The start-up's steps, taken with the native windows. Holds the splash
// while it is up, and the settings and the main window for the program's
// whole run.
class NativeStartupSteps final : public startup::StartupSteps {
public:
    explicit NativeStartupSteps(std::wstring programFolder) : programFolder_(std::move(programFolder)) {}

    void enterProgramFolder() override { SetCurrentDirectoryW(programFolder_.c_str()); }

    bool showSplash() override
    {
        if (!keep(SplashWindow::create(), splash_)) {
            return false;
        }
        splash_->show();
        logLine(L"rv.startup", L"splash shown");
        return true;
    }

    void paintSplash() override { splash_->paintNow(); }
    void resetPointer() override { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
    void pause() override { Sleep(kSplashPauseMs); }

    Result<Settings, SettingsError> readSettings() override
    {
        auto settings = ReadSettings(narrow(programFolder_));
        if (settings.ok()) {
            for (const std::string& note : settings.value().notes) {
                logLine(L"rv.startup", L"rv.dat: " + widen(note));
            }
        }
        return settings;
    }

    void reportSettingsError(const SettingsError& error) override
    {
        const std::wstring text = widen(describeSettingsError(error));
        logLine(L"rv.startup", text);
        // Not owned by the splash: the box would enable it again when it closes.
        MessageBoxW(nullptr, text.c_str(), kMessageCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }

    bool showMainWindow(Settings settings) override
    {
        settings_ = std::move(settings);
        auto speech = std::make_unique<WindowSpeechChannels>(createSpeechControl(), programFolder_);
        if (!keep(MainWindow::load(settings_, programFolder_, std::move(speech)), mainWindow_)) {
            return false;
        }
        mainWindow_->show();
        logLine(L"rv.startup", L"main window shown");
        return true;
    }

    void unloadSplash() override { splash_.reset(); }

private:
    std::wstring programFolder_;
    std::unique_ptr<SplashWindow> splash_;
    Settings settings_;
    std::unique_ptr<MainWindow> mainWindow_; // reads settings_, so goes first
};

} // namespace

int reportWindowFailure(const std::string& cause)
{
    logLine(L"rv.startup", widen(cause));
    MessageBoxW(nullptr, kWindowFailure, kMessageCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return kExitWindowFailure;
}

int runStartupSequence(const std::wstring& programFolder)
{
    NativeStartupSteps steps(programFolder);
    const startup::StartupEnd end = startup::runStartup(steps);
    if (end.settingsError) {
        return end.settingsError->errorNumber;
    }
    if (!end.mainWindowOpen) {
        return kExitWindowFailure;
    }
    return runMessageLoop();
}

} // namespace rv::win32
