#include "startup/startup_order.h"

#include <utility>

namespace rv::startup {

StartupEnd runStartup(StartupSteps& steps)
{
    steps.enterProgramFolder();
    if (!steps.showSplash()) {
        return {};
    }
    steps.paintSplash();
    steps.resetPointer();
    steps.pause();
    auto settings = steps.readSettings();
    if (!settings.ok()) {
        steps.reportSettingsError(settings.error());
        return {.mainWindowOpen = false, .settingsError = settings.error()};
    }
    if (!steps.showMainWindow(std::move(settings).value())) {
        return {};
    }
    steps.unloadSplash();
    return {.mainWindowOpen = true, .settingsError = std::nullopt};
}

} // namespace rv::startup
