#pragma once

#include "backup/backup_run.h"

#include <functional>

namespace rv {

// The run's progress: totals known from the start, files and bytes done as
// the copying goes, each change handed to the callback.
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
    void report();

    std::function<void(const BackupProgress&)> onProgress_;
    BackupProgress progress_;
};

} // namespace rv
