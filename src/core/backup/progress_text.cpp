#include "backup/progress_text.h"

#include <algorithm>

namespace rv {

std::string megabytes(std::uint64_t bytes)
{
    constexpr std::uint64_t kMiB = std::uint64_t{1024} * 1024;
    const std::uint64_t tenths = bytes / kMiB * 10 + (bytes % kMiB * 10 + kMiB / 2) / kMiB;
    return groupedNumber(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

std::string groupedNumber(std::uint64_t value)
{
    const std::string digits = std::to_string(value);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

ProgressText describeProgress(const BackupProgress& progress)
{
    ProgressText text;
    text.item = progress.item + " をコピーしています（" + std::to_string(progress.itemNumber) + " / " +
                std::to_string(progress.itemCount) + "）";
    text.counts = "ファイル " + groupedNumber(progress.filesDone) + " / " + groupedNumber(progress.filesTotal) +
                  " 個　　" + megabytes(progress.bytesDone) + " / " + megabytes(progress.bytesTotal);
    text.permille = permilleOf(progress.bytesDone, progress.bytesTotal);
    return text;
}

int permilleOf(std::uint64_t done, std::uint64_t total)
{
    if (total == 0) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(std::min(done, total)) * 1000.0 / static_cast<double>(total));
}

} // namespace rv
