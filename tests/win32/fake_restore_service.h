#pragma once

// A restore service for the restore window's tests: two generations, a
// preview that replaces two files, and a restore that takes a few seconds,
// reports each step and stops when asked. Every call is written down, one
// line each, in the file named by RV_RESTORE_LOG, for the test to read back.
#include "restore/restore_service.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#define RV_RESTORE_LOG_VARIABLE "RV_RESTORE_LOG"

namespace rv::test {

inline void appendRestoreLog(const std::string& line)
{
    const char* path = std::getenv(RV_RESTORE_LOG_VARIABLE);
    if (FILE* file = path && *path ? std::fopen(path, "ab") : nullptr) {
        std::fputs((line + "\n").c_str(), file);
        std::fclose(file);
    }
}

class FakeRestoreService final : public RestoreService {
public:
    static constexpr std::uint64_t kSteps = 20;
    static constexpr auto kStepTime = std::chrono::milliseconds(150);

    Result<std::vector<GenerationSummary>, RestoreRefusal> generations(const std::string& backupFolder) override
    {
        appendRestoreLog("generations " + backupFolder);
        return Result<std::vector<GenerationSummary>, RestoreRefusal>::success({
            {"最新", true, "2026-12-08 18:30:05", "すべてコピーしました", true, 14, 3'000'000},
            {"2026-12-01 18時30分", false, "2026-12-01 18:30:00", "すべてコピーしました", true, 14, 2'900'000},
        });
    }

    Result<RestorePreview, RestoreRefusal> preview(const std::string& backupFolder,
                                                   const std::string& generation) override
    {
        appendRestoreLog("preview " + backupFolder + " " + generation);
        return Result<RestorePreview, RestoreRefusal>::success(
            {{"C:\\RV\\予約51.mdb", "C:\\RV\\GDATA\\患者\\0001.dat"}, {"C:\\RV\\id.dat"}, 3, 3'000});
    }

    RestoreOutcome restore(const std::string& backupFolder, const std::string& generation,
                           const std::function<void(const RestoreProgress&)>& onProgress,
                           const std::atomic<bool>& cancel) override
    {
        appendRestoreLog("restore " + backupFolder + " " + generation);
        for (std::uint64_t step = 0; step < kSteps; ++step) {
            if (cancel) {
                appendRestoreLog("cancelled");
                return {kRestoreNotAll, true, "復元を中止しました。", {}, "C:\\RV\\復元前"};
            }
            onProgress({"C:\\RV\\予約51.mdb", step, kSteps, step * 100, kSteps * 100});
            std::this_thread::sleep_for(kStepTime);
        }
        return {kRestoreAllRestored, false, "3 個のファイルを戻しました。", {}, "C:\\RV\\復元前"};
    }
};

} // namespace rv::test
