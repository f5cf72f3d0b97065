#include "record/record_writer.h"

#include "common/path_text.h"
#include "platform/file_copy.h"
#include "platform/input_file.h"
#include "platform/temporary_names.h"

#include <utility>
#include <vector>

namespace rv {
namespace {

using platform::Done;
using platform::FileError;
using platform::FileErrorKind;

// Writes text, and takes it into the seal's digest.
Result<Done, FileError> writeSealed(platform::TextOutput& out, ContentHasher& seal, std::string_view text)
{
    seal.add(text.data(), text.size());
    return out.write(text);
}

// Copies the body lines written so far behind the heading.
Result<Done, FileError> appendFile(platform::TextOutput& out, ContentHasher& seal, const std::string& path)
{
    auto in = platform::InputFile::open(path);
    if (!in.ok()) {
        return Result<Done, FileError>::failure({FileErrorKind::NotReadable, path + ": " + in.error().detail});
    }
    std::vector<char> buffer(std::size_t{64} * 1024);
    for (;;) {
        auto got = in.value().read(buffer.data(), buffer.size());
        if (!got.ok()) {
            return Result<Done, FileError>::failure({FileErrorKind::NotReadable, path + ": " + got.error()});
        }
        if (got.value() == 0) {
            return Result<Done, FileError>::success({});
        }
        if (auto put = writeSealed(out, seal, {buffer.data(), got.value()}); !put.ok()) {
            return put;
        }
    }
}

// A file of the program's own under a temporary name of this process in
// the backup folder.
Result<platform::TextOutput, FileError> createTemporary(const platform::DestinationFolder& root, std::string& name)
{
    Result<platform::TextOutput, FileError> created = Result<platform::TextOutput, FileError>::failure({});
    name = platform::createUnderTemporaryName([&](const std::string& candidate) {
        created = platform::TextOutput::open(root.pathOf(candidate), platform::TextOutput::Mode::CreateNew);
        return !created.ok() && platform::inspect(root.pathOf(candidate)).ok();
    });
    return created;
}

} // namespace

Result<RecordWriter, FileError> RecordWriter::begin(std::string_view backupFolder)
{
    auto root = platform::DestinationFolder::openChosen(backupFolder);
    if (!root.ok()) {
        return Result<RecordWriter, FileError>::failure(root.error());
    }
    std::string bodyName;
    auto body = createTemporary(root.value(), bodyName);
    if (!body.ok()) {
        return Result<RecordWriter, FileError>::failure(body.error());
    }
    return Result<RecordWriter, FileError>::success(
        RecordWriter(std::move(root.value()), std::move(bodyName), std::move(body.value())));
}

RecordWriter::RecordWriter(RecordWriter&& other) noexcept
    : root_(std::move(other.root_)), bodyName_(std::move(other.bodyName_)),
      body_(std::exchange(other.body_, std::nullopt)), waiting_(std::move(other.waiting_)), counts_(other.counts_)
{
}

RecordWriter::~RecordWriter()
{
    if (body_) {
        body_.reset();
        (void)root_.removeFile(bodyName_); // a leftover is swept by the next run
    }
}

Result<Done, FileError> RecordWriter::add(const RecordedFile& file)
{
    ++counts_.files;
    counts_.unchanged += file.unchanged ? 1 : 0;
    return addLine(recordLine(file));
}

Result<Done, FileError> RecordWriter::addNotCopied(const NotCopiedEntry& entry)
{
    ++counts_.notCopied;
    return addLine(notCopiedLine(entry));
}

Result<Done, FileError> RecordWriter::addLine(const std::string& line)
{
    constexpr std::size_t kBlock = std::size_t{64} * 1024;
    waiting_ += line;
    return waiting_.size() < kBlock ? Result<Done, FileError>::success({}) : flushLines();
}

Result<Done, FileError> RecordWriter::flushLines()
{
    auto written = body_->write(waiting_);
    waiting_.clear();
    return written;
}

Result<Done, FileError> RecordWriter::finish(const RecordHeader& header, double seconds)
{
    auto written = writeRecord(header);
    auto history = appendHistory(header, seconds);
    return written.ok() ? history : written;
}

Result<Done, FileError> RecordWriter::writeRecord(const RecordHeader& header)
{
    if (auto flushed = flushLines(); !flushed.ok()) {
        return flushed;
    }
    if (auto closed = body_->finish(); !closed.ok()) {
        return closed;
    }
    platform::PendingFile record;
    record.targetPath = kRecordFileName;
    auto out = createTemporary(root_, record.temporaryPath);
    if (!out.ok()) {
        return Result<Done, FileError>::failure(out.error());
    }
    ContentHasher seal;
    auto written = writeSealed(out.value(), seal, recordHeading(header, counts_));
    if (written.ok()) {
        written = appendFile(out.value(), seal, root_.pathOf(bodyName_));
    }
    if (written.ok()) {
        written = out.value().write(sealLine(seal.digest()));
    }
    if (written.ok()) {
        written = out.value().finish();
    }
    if (written.ok()) {
        written = platform::commit(root_, record);
    }
    if (!written.ok()) {
        (void)platform::discard(root_, record);
    }
    body_.reset();
    (void)root_.removeFile(bodyName_);
    return written;
}

Result<Done, FileError> RecordWriter::appendHistory(const RecordHeader& header, double seconds)
{
    return appendToHistory(root_, historyLine(header, counts_.files, seconds));
}

Result<Done, FileError> appendToHistory(const platform::DestinationFolder& root, std::string_view lines)
{
    const std::string path = root.pathOf(kHistoryFileName);
    const bool isNew = !platform::inspect(path).ok();
    auto out = platform::TextOutput::open(path, platform::TextOutput::Mode::Append);
    if (!out.ok()) {
        return Result<Done, FileError>::failure(out.error());
    }
    auto written = out.value().write((isNew ? historyHeading() : std::string()) + std::string(lines));
    return written.ok() ? out.value().finish() : written;
}

} // namespace rv
