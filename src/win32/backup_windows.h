#pragma once

#include "backup/backup_front_end.h"

#include <windows.h>

namespace rv::win32 {

// The backup command with the program's own windows, all owned by the main
// window: the shell's folder browser, the open-database question, the
// progress window and the closing message box. What happens when is the
// core's backup flow.
class BackupWindows final : public BackupFrontEnd {
public:
    // owner is the main window; text1 its hidden box that keeps the folder.
    BackupWindows(HWND owner, HWND text1) : owner_(owner), text1_(text1) {}

    std::optional<std::string> chooseFolder() override;
    void keepChosenFolder(const std::string& path) override;
    void refuse(const ResultMessage& why) override;
    bool mayCopyOpenDatabases(const std::vector<OpenDatabase>& open) override;
    BackupJob::Hooks jobHooks() override;
    void waitForTheJob(BackupJob& job) override;
    void showOutcome(const JobOutcome& outcome) override;
    // Destroying the main window ends the program's message loop.
    void endAfterClose() override;
    void log(LogLevel level, const std::string& line) override;

private:
    HWND owner_;
    HWND text1_;
};

} // namespace rv::win32
