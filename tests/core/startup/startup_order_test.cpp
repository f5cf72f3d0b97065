#include "startup/startup_order.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using rv::Settings;
using rv::SettingsError;
using rv::startup::runStartup;
using rv::startup::StartupSteps;

namespace {

// Writes down each step it is asked to take. rv.dat is missing when
// `settingsError` is set; a window fails to build when told to.
class RecordingSteps final : public StartupSteps {
public:
    void enterProgramFolder() override { steps.emplace_back("enter program folder"); }
    bool showSplash() override
    {
        steps.emplace_back("show splash");
        return splashBuilds;
    }
    void paintSplash() override { steps.emplace_back("paint splash"); }
    void resetPointer() override { steps.emplace_back("default pointer"); }
    void pause() override { steps.emplace_back("pause"); }
    rv::Result<Settings, SettingsError> readSettings() override
    {
        steps.emplace_back("read settings");
        if (settingsError) {
            return rv::Result<Settings, SettingsError>::failure(*settingsError);
        }
        Settings settings;
        settings.BackupSources[15] = "C:\\RV\\GDATA";
        return rv::Result<Settings, SettingsError>::success(settings);
    }
    void reportSettingsError(const SettingsError& error) override
    {
        steps.push_back("report error " + std::to_string(error.errorNumber));
    }
    bool showMainWindow(Settings settings) override
    {
        steps.push_back("show main window with " + settings.BackupSources[15]);
        return mainWindowBuilds;
    }
    void unloadSplash() override { steps.emplace_back("unload splash"); }

    std::vector<std::string> steps;
    std::optional<SettingsError> settingsError;
    bool splashBuilds = true;
    bool mainWindowBuilds = true;
};

const std::vector<std::string> kUntilSettings{"enter program folder", "show splash", "paint splash",
                                              "default pointer",      "pause",       "read settings"};
// The main window is shown with the settings that were read.
const std::vector<std::string> kMainWindow{"show main window with C:\\RV\\GDATA"};

std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(StartupOrder, TakesTheStepsInOrderAndHandsTheSettingsToTheMainWindow)
{
    RecordingSteps steps;
    const auto end = runStartup(steps);
    EXPECT_TRUE(end.mainWindowOpen);
    EXPECT_FALSE(end.settingsError);
    EXPECT_EQ(steps.steps, kUntilSettings + kMainWindow + std::vector<std::string>{"unload splash"});
}

TEST(StartupOrder, MissingSettingsFileIsReportedAndTheMainWindowNeverShown)
{
    RecordingSteps steps;
    steps.settingsError = SettingsError{53, "C:\\RV\\rv.dat", "ファイルが見つかりません。"};
    const auto end = runStartup(steps);
    EXPECT_FALSE(end.mainWindowOpen);
    ASSERT_TRUE(end.settingsError);
    EXPECT_EQ(end.settingsError->errorNumber, 53);
    EXPECT_EQ(end.settingsError->path, "C:\\RV\\rv.dat");
    EXPECT_EQ(steps.steps, kUntilSettings + std::vector<std::string>{"report error 53"});
}

TEST(StartupOrder, AWindowThatCannotBeBuiltEndsTheStartupThere)
{
    RecordingSteps noSplash;
    noSplash.splashBuilds = false;
    RecordingSteps noMainWindow;
    noMainWindow.mainWindowBuilds = false;
    for (RecordingSteps* steps : {&noSplash, &noMainWindow}) {
        const auto end = runStartup(*steps);
        EXPECT_FALSE(end.mainWindowOpen);
        EXPECT_FALSE(end.settingsError);
    }
    EXPECT_EQ(noSplash.steps, (std::vector<std::string>{"enter program folder", "show splash"}));
    EXPECT_EQ(noMainWindow.steps, kUntilSettings + kMainWindow);
}

} // namespace
