#pragma once

#include "restore/restore_service.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace rv::testing {

// A restore service that answers as the test says and writes down what it
// was asked. Its restore reports one step of progress and, when told to,
// goes on until it is cancelled.
class FakeRestoreService final : public RestoreService {
public:
    using Generations = Result<std::vector<GenerationSummary>, RestoreRefusal>;
    using Preview = Result<RestorePreview, RestoreRefusal>;

    Generations generations(const std::string& backupFolder) override
    {
        calls.push_back("generations " + backupFolder);
        return listed;
    }

    Preview preview(const std::string& backupFolder, const std::string& generation) override
    {
        calls.push_back("preview " + backupFolder + " " + generation);
        return previewed;
    }

    RestoreOutcome restore(const std::string& backupFolder, const std::string& generation,
                           const std::function<void(const RestoreProgress&)>& onProgress,
                           const std::atomic<bool>& cancel) override
    {
        calls.push_back("restore " + backupFolder + " " + generation);
        onProgress({"予約51.mdb", 1, 3, 1024, 4096});
        // Bounded, so that a cancel that never comes fails the test instead of hanging it.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (untilCancelled && !cancel && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        sawCancel = cancel.load();
        RestoreOutcome result = outcome;
        result.cancelled = sawCancel;
        return result;
    }

    std::size_t restoreCalls() const
    {
        std::size_t count = 0;
        for (const std::string& call : calls) {
            count += call.starts_with("restore ") ? 1 : 0;
        }
        return count;
    }

    Generations listed = Generations::success({
        {"latest", true, "2026-12-08 18:30:05", "データのバックアップが終わりました。", true, 3, 3 * 1024 * 1024},
        {"2026-12-07 18-30-00", false, "2026-12-07 18:30:00", "コピーできなかったものがあります。", false, 2, 2048},
    });
    Preview previewed = Preview::success({{"/rv/予約51.mdb", "/rv/GDATA/カルテ.txt"}, {"/rv/id.dat"}, 3, 4096});
    RestoreOutcome outcome{
        kRestoreAllRestored, false, "データの復元が終わりました。", {}, "/rv/復元前/2026-12-09 18時00分"};
    bool untilCancelled = false;

    // Read after the restore's worker has been joined.
    std::vector<std::string> calls;
    bool sawCancel = false;
};

} // namespace rv::testing
