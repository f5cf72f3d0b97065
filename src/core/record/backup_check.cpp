#include "record/backup_check.h"

#include "backup/copy_reason.h"
#include "backup/progress_text.h"
#include "generations/generation_list.h"
#include "platform/destination_folder.h"
#include "platform/read_back.h"
#include "record/record_reader.h"

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
    std::uint64_t notCopied = 0;
};

// Why a listed file could not be read. The backup's wording for a link says
// it was not copied; a check only leaves it unread.
std::string unreadableReason(const platform::FileError& error)
{
    return error.kind == platform::FileErrorKind::Link ? "リンクです（リンク先はたどらず、読んでいません）"
                                                       : describeFileError(error);
}

void checkOne(const GenerationPlaces& where, const RecordedFile& file, const std::atomic<bool>& cancel, Tally& tally,
              std::ostream& out)
{
    const std::string shown = escapeRecordPath(file.relativePath);
    auto read = fromFirstHolding(where.places, [&](const platform::DestinationFolder& place) {
        return platform::readFromDeviceBelow(place, file.relativePath, &cancel);
    });
    // A read a signal cut short is the cancel, whatever it failed with.
    if (!read.ok() && (read.error().kind == platform::FileErrorKind::Cancelled || cancel)) {
        return;
    }
    if (!read.ok() && read.error().kind == platform::FileErrorKind::NotFound) {
        ++tally.missing;
        out << "MISSING     " << shown << '\n';
    } else if (!read.ok()) {
        ++tally.unreadable;
        out << "UNREADABLE  " << shown << " (" << unreadableReason(read.error()) << ")\n";
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

void reportDamage(const RecordDamage& damage, std::ostream& out)
{
    out << "バックアップの記録が壊れています（" << damage.line << " 行目：" << damage.what << "）\n";
}

// The first reading: the whole record, its seal and its counts, before any
// file it lists is opened. The number of files it lists, or nothing when it
// is damaged (said to out) or the check is cancelled.
std::optional<std::uint64_t> surveyRecord(const platform::DestinationFolder& folder, const std::atomic<bool>& cancel,
                                          std::ostream& out)
{
    auto reader = RecordReader::open(folder);
    if (!reader.ok()) {
        return std::nullopt;
    }
    std::uint64_t files = 0;
    while (const auto entry = reader.value().next()) {
        files += std::holds_alternative<RecordedFile>(*entry) ? 1 : 0;
        if (cancel) {
            out << "確認を最後まで終えていません。\n";
            return std::nullopt;
        }
    }
    if (reader.value().damage()) {
        reportDamage(*reader.value().damage(), out);
        return std::nullopt;
    }
    if (!reader.value().sealed()) {
        out << "この記録は以前の形式で、封印がありません。記録そのものが変わっていないかは確かめられません。\n";
    }
    return files;
}

void writeSummary(const Tally& tally, bool finished, bool allMatch, std::ostream& out)
{
    out << groupedNumber(tally.matching + tally.differing + tally.missing + tally.unreadable)
        << " 個のファイルを確かめました。一致 " << groupedNumber(tally.matching) << " 個、相違 "
        << groupedNumber(tally.differing) << " 個、見つからない " << groupedNumber(tally.missing)
        << " 個、読み取れない " << groupedNumber(tally.unreadable) << " 個。\n";
    if (tally.notCopied > 0) {
        out << "記録したバックアップでコピーできなかったもの " << groupedNumber(tally.notCopied) << " 個。\n";
    }
    out << (!finished  ? "確認を最後まで終えていません。"
            : allMatch ? "バックアップは記録と一致しています。"
                       : "バックアップに記録と違うところがあります。")
        << '\n';
    out.flush();
}

} // namespace

int runBackupCheck(std::string_view path, std::string_view generation, std::ostream& out, std::ostream& progress,
                   const std::atomic<bool>& cancel)
{
    auto folder = platform::DestinationFolder::openChosen(path);
    if (!folder.ok()) {
        out << "フォルダが見つかりません：" << path << '\n';
        return kCheckUnusable;
    }
    const auto where = openGenerationPlaces(std::move(folder.value()), generation);
    if (!where.ok()) {
        out << where.error().message << '\n';
        return kCheckUnusable;
    }
    const auto& recordFolder = where.value().recordFolder();
    auto reader = RecordReader::open(recordFolder);
    if (!reader.ok()) {
        out << (reader.error().absent ? "バックアップの記録がありません：" : "バックアップの記録を開けません：")
            << reader.error().detail << '\n';
        return kCheckUnusable;
    }
    const auto total = surveyRecord(recordFolder, cancel, out);
    if (!total) {
        out.flush();
        return kCheckDiffers;
    }
    Tally tally;
    auto lastReport = std::chrono::steady_clock::now();
    while (!cancel) {
        const auto entry = reader.value().next();
        if (!entry) {
            break;
        }
        if (const auto* notCopied = std::get_if<NotCopiedEntry>(&*entry)) {
            ++tally.notCopied;
            out << "NOTCOPIED   " << escapeRecordPath(notCopied->relativePath) << " (" << notCopied->reason << ")\n";
            continue;
        }
        ++tally.listed;
        checkOne(where.value(), std::get<RecordedFile>(*entry), cancel, tally, out);
        if (const auto now = std::chrono::steady_clock::now(); now - lastReport >= kProgressEvery) {
            progress << "確認しています… " << groupedNumber(tally.listed) << " / " << groupedNumber(*total) << " 個\n"
                     << std::flush;
            lastReport = now;
        }
    }
    // Changed since the first reading: nothing after the change is trusted.
    if (reader.value().damage()) {
        reportDamage(*reader.value().damage(), out);
    }
    const bool finished = !cancel && !reader.value().damage();
    const bool allMatch = finished && tally.matching == *total && tally.notCopied == 0;
    writeSummary(tally, finished, allMatch, out);
    return allMatch ? kCheckAllMatch : kCheckDiffers;
}

} // namespace rv
