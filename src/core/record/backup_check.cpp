#include "record/backup_check.h"

#include "backup/copy_reason.h"
#include "backup/progress_text.h"
#include "common/content_hash.h"
#include "common/path_text.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/read_back.h"
#include "record/backup_record.h"
#include "record/record_lines.h"

#include <algorithm>
#include <chrono>

namespace rv {
namespace {

// How often a long check says how far it has come.
constexpr std::chrono::seconds kProgressEvery{2};

struct Tally {
    std::uint64_t listed = 0;
    std::uint64_t matching = 0;
    std::uint64_t differing = 0;
    std::uint64_t missing = 0;
    std::uint64_t unreadable = 0;
};

std::optional<RecordLines> openRecord(const std::string& path)
{
    auto file = platform::InputFile::open(path);
    if (!file.ok()) {
        return std::nullopt;
    }
    return RecordLines(std::move(file.value()));
}

// The record's file lines, counted first so that progress can name a total.
std::uint64_t countFiles(const std::string& recordPath)
{
    std::uint64_t files = 0;
    if (auto lines = openRecord(recordPath)) {
        while (auto line = lines->next()) {
            files += parseRecordLine(*line) ? 1 : 0;
        }
    }
    return files;
}

std::string onDisk(const std::string& folder, std::string relative)
{
    std::replace(relative.begin(), relative.end(), '/', platform::kPathSeparator);
    return joinPath(folder, relative);
}

void checkOne(const std::string& folder, const RecordedFile& file, const std::atomic<bool>& cancel, Tally& tally,
              std::ostream& out)
{
    const std::string shown = escapeRecordPath(file.relativePath);
    auto read = platform::readFromDevice(onDisk(folder, file.relativePath), &cancel);
    // A read a signal cut short is the cancel, whatever it failed with.
    if (!read.ok() && (read.error().kind == platform::FileErrorKind::Cancelled || cancel)) {
        return;
    }
    if (!read.ok() && read.error().kind == platform::FileErrorKind::NotFound) {
        ++tally.missing;
        out << "MISSING     " << shown << '\n';
    } else if (!read.ok()) {
        ++tally.unreadable;
        out << "UNREADABLE  " << shown << " (" << describeFileError(read.error()) << ")\n";
    } else if (read.value().bytes != file.size) {
        ++tally.differing;
        out << "DIFFERS     " << shown << " (サイズ " << file.size << " → " << read.value().bytes << ")\n";
    } else if (read.value().digest != file.digest) {
        ++tally.differing;
        out << "DIFFERS     " << shown << " (内容が記録と違います)\n";
    } else {
        ++tally.matching;
    }
    out.flush();
}

} // namespace

int runBackupCheck(std::string_view folder, std::ostream& out, std::ostream& progress, const std::atomic<bool>& cancel)
{
    const auto where = platform::inspect(folder);
    if (!where.ok() || where.value().kind != platform::EntryKind::Folder) {
        out << "フォルダが見つかりません：" << folder << '\n';
        return kCheckUnusable;
    }
    const std::string base(folder);
    const std::string recordPath = joinPath(base, kRecordFileName);
    auto lines = openRecord(recordPath);
    const auto title = lines ? lines->next() : std::nullopt;
    if (!title || (*title != kRecordTitle && *title != std::string("\xEF\xBB\xBF") + kRecordTitle)) {
        out << "バックアップの記録がありません：" << recordPath << '\n';
        return kCheckUnusable;
    }

    Tally tally;
    const std::uint64_t total = countFiles(recordPath);
    auto lastReport = std::chrono::steady_clock::now();
    while (!cancel) {
        const auto line = lines->next();
        if (!line) {
            break;
        }
        const auto file = parseRecordLine(*line);
        if (!file) {
            continue; // the heading lines
        }
        ++tally.listed;
        checkOne(base, *file, cancel, tally, out);
        if (const auto now = std::chrono::steady_clock::now(); now - lastReport >= kProgressEvery) {
            progress << "確認しています… " << groupedNumber(tally.listed) << " / " << groupedNumber(total) << " 個\n"
                     << std::flush;
            lastReport = now;
        }
    }
    if (lines->error()) {
        out << "記録を最後まで読めませんでした。\n";
    }
    const bool finished = !cancel && !lines->error();
    out << groupedNumber(tally.matching + tally.differing + tally.missing + tally.unreadable)
        << " 個のファイルを確かめました。一致 " << groupedNumber(tally.matching) << " 個、相違 "
        << groupedNumber(tally.differing) << " 個、見つからない " << groupedNumber(tally.missing)
        << " 個、読み取れない " << groupedNumber(tally.unreadable) << " 個。\n";
    const bool allMatch = finished && tally.matching == total;
    out << (!finished  ? "確認を最後まで終えていません。"
            : allMatch ? "バックアップは記録と一致しています。"
                       : "バックアップに記録と違うところがあります。")
        << '\n';
    out.flush();
    return allMatch ? kCheckAllMatch : kCheckDiffers;
}

} // namespace rv
