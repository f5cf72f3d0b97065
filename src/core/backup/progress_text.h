#pragma once

#include "backup/backup_run.h"

#include <string>

namespace rv {

// What a progress window shows and a screen reader reads of a run: the item
// line, the counts line and how far, in thousandths of the bytes.
struct ProgressText {
    std::string item;
    std::string counts;
    int permille = 0;
};

inline constexpr const char* kPreparingText = "コピーの準備をしています";
inline constexpr const char* kCancellingText = "中止しています";

ProgressText describeProgress(const BackupProgress& progress);

// 1234567 as "1,234,567", as Japanese readers group digits on screen.
std::string groupedNumber(std::uint64_t value);
// Tenths of a mebibyte, rounded to nearest, as "1,600.0 MB".
std::string megabytes(std::uint64_t bytes);
// How far done is of total, in thousandths; 0 when there is no total.
int permilleOf(std::uint64_t done, std::uint64_t total);

} // namespace rv
