#include "backup/progress_meter.h"

#include <algorithm>

namespace rv {

ProgressMeter::ProgressMeter(std::function<void(const BackupProgress&)> onProgress, std::size_t itemCount,
                             std::uint64_t filesTotal, std::uint64_t bytesTotal)
    : onProgress_(std::move(onProgress))
{
    progress_.itemCount = itemCount;
    progress_.filesTotal = filesTotal;
    progress_.bytesTotal = bytesTotal;
}

void ProgressMeter::startItem(std::size_t itemNumber, const std::string& name)
{
    progress_.itemNumber = itemNumber;
    progress_.item = name;
    report();
}

void ProgressMeter::bytesOfFile(std::uint64_t& reportedOfFile, std::uint64_t copiedOfFile)
{
    progress_.bytesDone += copiedOfFile - std::min(copiedOfFile, reportedOfFile);
    reportedOfFile = std::max(reportedOfFile, copiedOfFile);
    report();
}

void ProgressMeter::fileDone(std::uint64_t& reportedOfFile, std::uint64_t sizeOfFile)
{
    progress_.bytesDone += sizeOfFile - std::min(sizeOfFile, reportedOfFile);
    reportedOfFile = std::max(reportedOfFile, sizeOfFile);
    ++progress_.filesDone;
    report();
}

void ProgressMeter::reachAtLeast(std::uint64_t filesDone, std::uint64_t bytesDone)
{
    progress_.filesDone = std::max(progress_.filesDone, filesDone);
    progress_.bytesDone = std::max(progress_.bytesDone, bytesDone);
}

void ProgressMeter::report()
{
    if (onProgress_) {
        onProgress_(progress_);
    }
}

} // namespace rv
