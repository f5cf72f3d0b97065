#pragma once

#include "settings/settings.h"
#include "startup/startup_order.h"

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class QWidget;

namespace rv {

namespace ui {
class MainWindow;
class MessageBoxes;
class SpeechBackend;
class SplashWindow;
} // namespace ui

// The steps of the start-up, in the order they are taken.
enum class StartupStep {
    ProgramFolderEntered,
    SplashShown,
    SplashPainted,
    PointerReset,
    Paused,
    SettingsRead,
    MainWindowShown,
    SplashClosed,
};

// The log line for a step, e.g. "main window shown".
const char* describe(StartupStep step);

struct StartupOptions {
    // Folder that holds the program and its rv.dat.
    QString programFolder;
    // How long the painted splash stays up before the settings are read.
    std::chrono::milliseconds pause{500};
    // Called after each step with the splash window (null once it is gone),
    // so a test can look at the screen between steps.
    std::function<void(StartupStep, const ui::SplashWindow*)> afterStep;
    // Starts what the main window's speech control speaks through. Called as
    // the splash pause begins, so that the engine's seconds of start-up pass
    // behind the splash without slowing the splash itself. None: speech is
    // only logged.
    std::function<std::shared_ptr<ui::SpeechBackend>()> startSpeech;
};

// The start-up behind the splash window: make the program folder current,
// show and paint the splash, pause, read rv.dat, open the main window and
// close the splash. The core's runStartup takes the steps in that order; this
// class takes each with the Qt windows. Owns the settings and the main window
// for the program's whole run.
class StartupSequence final : private startup::StartupSteps {
public:
    StartupSequence(StartupOptions options, ui::MessageBoxes& messages);
    ~StartupSequence() override;
    StartupSequence(const StartupSequence&) = delete;
    StartupSequence& operator=(const StartupSequence&) = delete;

    // On success the main window is open. When rv.dat cannot be opened the
    // error has been shown in a message box, no main window exists, and the
    // program should end with a non-zero code.
    [[nodiscard]] Result<ui::MainWindow*, SettingsError> run();

    // What rv.dat said; valid after a successful run.
    const Settings& settings() const { return settings_; }

private:
    // The steps, each followed by its log line and afterStep.
    void enterProgramFolder() override;
    bool showSplash() override;
    void paintSplash() override;
    void resetPointer() override;
    void pause() override;
    Result<Settings, SettingsError> readSettings() override;
    void reportSettingsError(const SettingsError& error) override;
    bool showMainWindow(Settings settings) override;
    void unloadSplash() override;

    void finish(StartupStep step);

    StartupOptions options_;
    ui::MessageBoxes& messages_;
    std::unique_ptr<ui::SplashWindow> splash_;
    Settings settings_;
    std::shared_ptr<ui::SpeechBackend> speech_;
    std::unique_ptr<ui::MainWindow> mainWindow_;
};

} // namespace rv
