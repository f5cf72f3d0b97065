#pragma once

#include "backup/backup_run.h"

#include <functional>
#include <mutex>

namespace rv {

// The run's progress, fed from the copying threads and handed to the
// callback one report at a time.
class ProgressMeter {
public:
    ProgressMeter(std::function<void(const BackupProgress&)> onProgress, std::size_t itemCount,
                  std::uint64_t filesTotal, std::uint64_t bytesTotal);

    void startItem(std::size_t itemNumber, const std::string& name);
    // Bytes of a file in progress; the file's own count of bytes so far.
    void bytesOfFile(std::uint64_t& reportedOfFile, std::uint64_t copiedOfFile);
    // A file is over, copied or not: its bytes count as done.
    void fileDone(std::uint64_t& reportedOfFile, std::uint64_t sizeOfFile);
    // Everything up to here counts as done, also what a step passed over.
    void reachAtLeast(std::uint64_t filesDone, std::uint64_t bytesDone);

private:
    void report(); // with mutex_ held

    std::function<void(const BackupProgress&)> onProgress_;
    std::mutex mutex_;
    BackupProgress progress_;
};

} // namespace rv
