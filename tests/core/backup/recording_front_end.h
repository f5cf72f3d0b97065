#pragma once

#include "backup/backup_front_end.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace rv::testing {

// A front end that writes down what the backup flow asked of it, in order,
// and answers as the test says. Each `during...` runs while that step is up
// (a dialog open), for a test that acts from there as a user or a screen
// reader would.
class RecordingFrontEnd final : public BackupFrontEnd {
public:
    std::optional<std::string> chooseFolder() override
    {
        steps.emplace_back("choose");
        run(duringChoice);
        return nextFolder;
    }
    void keepChosenFolder(const std::string& path) override { steps.push_back("keep " + path); }
    void refuse(const ResultMessage& why) override
    {
        steps.emplace_back("refuse");
        shown.push_back(why);
    }
    bool mayCopyOpenDatabases(const std::vector<OpenDatabase>& open) override
    {
        steps.emplace_back("ask");
        askedAbout = open;
        run(duringQuestion);
        return answerYes;
    }
    BackupJob::Hooks jobHooks() override
    {
        BackupJob::Hooks hooks;
        hooks.log = [this](LogLevel level, const std::string& line) { log(level, line); };
        return hooks;
    }
    void waitForTheJob(BackupJob& job) override
    {
        steps.emplace_back("wait");
        run(duringRun);
        while (!job.waitFor(std::chrono::milliseconds(20))) {
        }
    }
    void showOutcome(const JobOutcome& outcome) override
    {
        steps.emplace_back("show");
        shown.push_back(outcome.message);
        run(duringClosingBox);
    }
    void endAfterClose() override { steps.emplace_back("end"); }
    void log(LogLevel /*level*/, const std::string& line) override
    {
        const std::lock_guard lock(logMutex_);
        logLines.push_back(line);
    }

    std::size_t logged(const std::string& line)
    {
        const std::lock_guard lock(logMutex_);
        return static_cast<std::size_t>(std::count(logLines.begin(), logLines.end(), line));
    }

    std::optional<std::string> nextFolder;
    bool answerYes = false;
    std::function<void()> duringChoice;
    std::function<void()> duringQuestion;
    std::function<void()> duringRun;
    std::function<void()> duringClosingBox;

    std::vector<std::string> steps;
    std::vector<ResultMessage> shown;
    std::vector<OpenDatabase> askedAbout;
    std::vector<std::string> logLines;

private:
    static void run(const std::function<void()>& action)
    {
        if (action) {
            action();
        }
    }

    std::mutex logMutex_;
};

} // namespace rv::testing
