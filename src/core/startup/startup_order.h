#pragma once

#include "common/result.h"
#include "settings/settings.h"

#include <optional>

namespace rv::startup {

// The steps of the start-up behind the splash window (frmSplash's Form_Load),
// as one front end takes them with its own windows.
class StartupSteps {
public:
    virtual ~StartupSteps() = default;

    // 1. The program folder becomes the current folder.
    virtual void enterProgramFolder() = 0;
    // 2. The splash window is shown, modeless. False: it could not be built;
    // the front end has said so, and the start-up ends.
    [[nodiscard]] virtual bool showSplash() = 0;
    // 3. The splash is painted now, before the busy work that follows.
    virtual void paintSplash() = 0;
    // 4. The mouse pointer becomes the default pointer.
    virtual void resetPointer() = 0;
    // 5. A short pause with the splash on the screen.
    virtual void pause() = 0;
    // 6. rv.dat is read.
    virtual Result<Settings, SettingsError> readSettings() = 0;
    // When rv.dat cannot be opened: the fatal report. The program then ends
    // without a main window.
    virtual void reportSettingsError(const SettingsError& error) = 0;
    // 7. The main window is shown, modeless; loading it speaks the heading
    // and makes the program folder current again. It keeps the settings for
    // the program's whole run. False: it could not be built; the front end
    // has said so, and the start-up ends.
    [[nodiscard]] virtual bool showMainWindow(Settings settings) = 0;
    // 8. The splash window is unloaded.
    virtual void unloadSplash() = 0;
};

// How the start-up ended.
struct StartupEnd {
    bool mainWindowOpen = false;
    // Set when rv.dat could not be opened (its report has been shown).
    std::optional<SettingsError> settingsError;
};

// Takes the steps in their order, stopping at the first that fails.
StartupEnd runStartup(StartupSteps& steps);

} // namespace rv::startup
