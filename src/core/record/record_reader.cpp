#include "record/record_reader.h"

#include "platform/read_back.h"

#include <utility>

namespace rv {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool isTitle(std::string_view line)
{
    if (line.starts_with(kByteOrderMark)) {
        line.remove_prefix(kByteOrderMark.size());
    }
    return line == kRecordTitle;
}

} // namespace

Result<RecordReader, NoRecord> RecordReader::open(const platform::DestinationFolder& folder)
{
    using R = Result<RecordReader, NoRecord>;
    auto file = platform::openFileBelow(folder, kRecordFileName);
    if (!file.ok()) {
        const bool absent = file.error().kind == platform::FileErrorKind::NotFound;
        return R::failure({absent, absent ? folder.pathOf(kRecordFileName) : file.error().detail});
    }
    RecordReader reader(RecordLines(platform::InputFile(std::move(file.value())), kLongestRecordLine));
    const auto title = reader.take();
    if (!title || !isTitle(title->text)) {
        return R::failure({true, folder.pathOf(kRecordFileName)});
    }
    reader.digest(*title);
    reader.readHeading();
    return R::success(std::move(reader));
}

std::optional<TextLine> RecordReader::take()
{
    auto line = lines_.next();
    if (line && line->tooLong) {
        damaged(line->number, "長すぎる行です");
        return std::nullopt;
    }
    if (line) {
        lastLine_ = line->number;
    }
    return line;
}

void RecordReader::digest(const TextLine& line)
{
    hasher_.add(line.text.data(), line.text.size());
    hasher_.add(line.end.data(), line.end.size());
}

void RecordReader::damaged(std::uint64_t line, std::string what)
{
    if (!damage_) {
        damage_ = RecordDamage{line, std::move(what)};
    }
}

void RecordReader::readHeading()
{
    bool fileCount = false;
    bool notCopiedCount = false;
    for (bool first = true;; first = false) {
        auto line = take();
        if (!line) {
            finish();
            return;
        }
        digest(*line);
        if (first && line->text == kRecordFormatLine) {
            sealed_ = true;
            continue;
        }
        if (first && line->text.starts_with(kRecordFormatName)) {
            damaged(line->number, "この版では読めない形式です");
            return;
        }
        if (isColumnHeading(line->text)) {
            headingRead_ = true;
            if (sealed_ && (!fileCount || !notCopiedCount)) {
                damaged(line->number, "件数の行がありません");
            }
            return;
        }
        if (line->text.starts_with(kRecordWhenField)) {
            when_ = line->text.substr(kRecordWhenField.size());
        } else if (line->text.starts_with(kRecordOutcomeField)) {
            outcome_ = line->text.substr(kRecordOutcomeField.size());
        } else if (const auto files = parseFileCountLine(line->text)) {
            declared_.files = *files;
            fileCount = true;
        } else if (const auto unchanged = parseUnchangedCountLine(line->text)) {
            declared_.unchanged = *unchanged;
        } else if (const auto notCopied = parseNotCopiedCountLine(line->text)) {
            declared_.notCopied = *notCopied;
            notCopiedCount = true;
        }
    }
}

void RecordReader::finish()
{
    if (lines_.error()) {
        damaged(lastLine_ + 1, "読み取れません（" + *lines_.error() + "）");
    } else if (!headingRead_ || (sealed_ && !sealSeen_)) {
        damaged(lastLine_ + 1, "記録が途中で切れています");
    } else if (sealed_ && (seen_.files != declared_.files || seen_.notCopied != declared_.notCopied)) {
        damaged(lastLine_, "記録の件数と行の数が合いません");
    }
}

std::optional<RecordEntry> RecordReader::next()
{
    while (!damage_) {
        auto line = take();
        if (!line) {
            finish();
            break;
        }
        if (sealSeen_) {
            damaged(line->number, "封印の後に行があります");
            break;
        }
        if (const auto seal = sealed_ ? parseSealLine(line->text) : std::nullopt) {
            sealSeen_ = true;
            if (*seal != hasher_.digest()) {
                damaged(line->number, "内容が封印と合いません");
            }
            continue;
        }
        digest(*line);
        if (auto file = parseRecordLine(line->text)) {
            ++seen_.files;
            return RecordEntry(std::move(*file));
        }
        if (auto notCopied = parseNotCopiedLine(line->text)) {
            ++seen_.notCopied;
            return RecordEntry(std::move(*notCopied));
        }
        damaged(line->number, "読めない行です");
    }
    return std::nullopt;
}

} // namespace rv
