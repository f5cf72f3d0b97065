#include "backup/backup_job.h"

#include "common/path_text.h"

#include "record/backup_check.h"
#include "record/backup_record.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <sstream>
#include <stdexcept>

using rv::testing::SampleClinic;

namespace fs = std::filesystem;

namespace {

// Every line the job logged, from whichever thread.
struct LogRecorder {
    std::mutex mutex;
    std::vector<std::string> lines;

    rv::RunLog hook()
    {
        return [this](rv::LogLevel, const std::string& line) {
            const std::lock_guard lock(mutex);
            lines.push_back(line);
        };
    }
    std::size_t count(const std::string& line)
    {
        const std::lock_guard lock(mutex);
        return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
    }
    std::size_t countStartingWith(const std::string& prefix)
    {
        const std::lock_guard lock(mutex);
        return static_cast<std::size_t>(std::count_if(
            lines.begin(), lines.end(), [&](const std::string& line) { return line.starts_with(prefix); }));
    }
};

std::string folderOf(const rv::testing::TempFolder& folder) { return folder.str() + '/'; }

// The plan the backup flow hands over once its checks have passed.
rv::BackupPlan planFor(const SampleClinic& clinic, const rv::Settings& settings)
{
    auto plan = rv::makeBackupPlan(settings, clinic.program.str(), folderOf(clinic.backup));
    EXPECT_TRUE(plan.ok());
    return plan.ok() ? plan.value() : rv::BackupPlan{};
}

} // namespace

// The texts both progress windows show and screen readers read.
TEST(ProgressText, ItemCountsAndBarAsShown)
{
    struct Case {
        rv::BackupProgress progress;
        std::string item;
        std::string counts;
        int permille;
    };
    constexpr std::uint64_t kMiB = 1024 * 1024;
    const Case cases[] = {
        {{"予約51.mdb", 3, 14, 1234, 20013, 5 * kMiB, 1600 * kMiB},
         "予約51.mdb をコピーしています（3 / 14）",
         "ファイル 1,234 / 20,013 個　　5.0 MB / 1,600.0 MB",
         3},
        {{"GDATA", 14, 14, 0, 0, 1, 2},
         "GDATA をコピーしています（14 / 14）",
         "ファイル 0 / 0 個　　0.0 MB / 0.0 MB",
         500},
        {{"rv.dat", 12, 14, 999, 1000000, 3 * kMiB / 2, kMiB - 1},
         "rv.dat をコピーしています（12 / 14）",
         "ファイル 999 / 1,000,000 個　　1.5 MB / 1.0 MB",
         1000},
        {{"id.dat", 13, 14, 0, 0, 0, 0},
         "id.dat をコピーしています（13 / 14）",
         "ファイル 0 / 0 個　　0.0 MB / 0.0 MB",
         0},
    };
    for (const Case& c : cases) {
        const rv::ProgressText text = rv::describeProgress(c.progress);
        EXPECT_EQ(text.item, c.item);
        EXPECT_EQ(text.counts, c.counts);
        EXPECT_EQ(text.permille, c.permille) << c.item;
    }
}

TEST(BackupJob, LogsEachItemAndEndsWithTheClosingMessage)
{
    SampleClinic clinic;
    clinic.addDatabases({"予約51.mdb"});
    clinic.addDataFiles({"患者/0001.dat"});
    const rv::Settings settings = clinic.settings();
    LogRecorder log;
    rv::BackupJob job;
    ASSERT_TRUE(job.start(planFor(clinic, settings), {log.hook(), {}}).ok());
    EXPECT_TRUE(job.isRunning());
    ASSERT_TRUE(job.waitFor(std::chrono::seconds(30)));
    const rv::JobOutcome outcome = job.finish();
    EXPECT_FALSE(job.isRunning());

    // Logged as this system writes paths.
    const std::string from = rv::nativeSeparators(clinic.program.str() + '/');
    const std::string to = rv::nativeSeparators(folderOf(clinic.backup));
    EXPECT_EQ(log.lines.front(), "backup folder " + to);
    EXPECT_EQ(log.count("copied " + from + "予約51.mdb -> " + to + "予約51.mdb"), 1U);
    EXPECT_EQ(log.count("copied " + from + "GDATA -> " + to + "GDATA"), 1U);
    // The system's own wording follows the reason, for whoever reads the log.
    EXPECT_EQ(log.countStartingWith("not copied " + from + "Tavo51.mdb -> " + to + "Tavo51.mdb : 見つかりません "), 1U);
    EXPECT_EQ(outcome.message.text, rv::describeBackupResult(outcome.result).text);
    EXPECT_EQ(log.lines.back(), "result: " + outcome.message.text);
    EXPECT_EQ(outcome.result.items.size(), 14U);
}

// What the run copied is written down in the backup, and a later check of
// the untouched backup finds every file right.
TEST(BackupJob, LeavesARecordOfEveryCopiedFileThatALaterCheckFindsRight)
{
    SampleClinic clinic;
    clinic.addDatabases({"予約51.mdb", "Tavo51.mdb"});
    clinic.addDataFiles({"患者/0001.dat", "写真/a.jpg", "top.txt"});
    const rv::Settings settings = clinic.settings();
    rv::BackupJob job;
    ASSERT_TRUE(job.start(planFor(clinic, settings), {}).ok());
    ASSERT_TRUE(job.waitFor(std::chrono::seconds(30)));
    const rv::JobOutcome outcome = job.finish();
    EXPECT_TRUE(outcome.notes().empty());

    const std::string record = rv::testing::readFile(clinic.backup.path() / rv::testing::u8path(rv::kRecordFileName));
    std::size_t listed = 0;
    std::istringstream lines(record);
    for (std::string line; std::getline(lines, line);) {
        listed += rv::parseRecordLine(line) ? 1 : 0;
    }
    EXPECT_EQ(listed, 7U) << record; // two databases, rv.dat, id.dat and three data files
    EXPECT_NE(record.find("\tGDATA/写真/a.jpg\r\n"), std::string::npos) << record;
    EXPECT_NE(record.find("照合\t書き込んだ内容を読み直して確かめました\r\n"), std::string::npos) << record;
    EXPECT_TRUE(fs::exists(clinic.backup.path() / rv::testing::u8path(rv::kHistoryFileName)));

    std::ostringstream out;
    std::ostringstream progress;
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(rv::runBackupCheck(clinic.backup.str(), "", out, progress, cancel), rv::kCheckAllMatch) << out.str();
}

TEST(BackupJob, OneRunAtATimeAndAStopIsAskedOnce)
{
    SampleClinic clinic;
    clinic.addDatabases({"Tavo51.mdb"}, 32 << 20);
    const rv::Settings settings = clinic.settings();
    LogRecorder log;
    rv::BackupJob job;
    ASSERT_TRUE(job.start(planFor(clinic, settings), {log.hook(), {}}).ok());

    auto second = job.start(planFor(clinic, settings), {log.hook(), {}});
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().why, rv::StartRefusal::Why::AlreadyRunning);
    job.cancel();
    job.cancel();
    EXPECT_EQ(job.takeProgress(), std::nullopt) << "after a stop the window says only that it is stopping";
    const rv::JobOutcome outcome = job.finish();
    EXPECT_EQ(log.count("cancel requested"), 1U);
    EXPECT_EQ(outcome.result.items.size(), 14U);

    // Free again once finished.
    ASSERT_TRUE(job.start(planFor(clinic, settings), {log.hook(), {}}).ok());
    EXPECT_FALSE(job.finish().result.cancelled);
}

TEST(BackupJob, AJobThatGoesDuringARunStopsItsWorkerFirst)
{
    SampleClinic clinic;
    clinic.addDatabases({"Tavo51.mdb"}, 32 << 20);
    const rv::Settings settings = clinic.settings();
    std::atomic<bool> workerEnded{false};
    {
        rv::BackupJob job;
        ASSERT_TRUE(job.start(planFor(clinic, settings), {{}, [&workerEnded] { workerEnded = true; }}).ok());
    }
    EXPECT_TRUE(workerEnded);
}

TEST(BackupJob, WhatTheWorkerCouldNotHandleReachesTheFrontEndsThread)
{
    SampleClinic clinic;
    clinic.addDatabases({"Tavo51.mdb"});
    const rv::Settings settings = clinic.settings();
    rv::BackupJob job;
    const rv::RunLog failingLog = [](rv::LogLevel, const std::string& line) {
        if (line.rfind("copied ", 0) == 0) {
            throw std::runtime_error("log full");
        }
    };
    ASSERT_TRUE(job.start(planFor(clinic, settings), {failingLog, {}}).ok());
    EXPECT_THROW(job.finish(), std::runtime_error);
    EXPECT_FALSE(job.isRunning());
}
