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

// Copies the file lines written so far behind the heading.
Result<Done, FileError> appendFile(platform::TextOutput& out, const std::string& path)
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
        if (auto put = out.write({buffer.data(), got.value()}); !put.ok()) {
            return put;
        }
    }
}

} // namespace

Result<RecordWriter, FileError> RecordWriter::begin(std::string_view backupFolder)
{
    const std::string folder(backupFolder);
    const std::string bodyPath = platform::temporaryPathFor(joinPath(folder, kRecordFileName));
    auto body = platform::TextOutput::open(bodyPath, platform::TextOutput::Mode::CreateNew);
    if (!body.ok()) {
        return Result<RecordWriter, FileError>::failure(body.error());
    }
    return Result<RecordWriter, FileError>::success(RecordWriter(folder, bodyPath, std::move(body.value())));
}

RecordWriter::RecordWriter(RecordWriter&& other) noexcept
    : folder_(std::move(other.folder_)), bodyPath_(std::move(other.bodyPath_)),
      body_(std::exchange(other.body_, std::nullopt)), files_(other.files_)
{
}

RecordWriter::~RecordWriter()
{
    if (body_) {
        body_.reset();
        (void)platform::discard({bodyPath_, {}, 0}); // a leftover is swept by the next run
    }
}

Result<Done, FileError> RecordWriter::add(const RecordedFile& file)
{
    ++files_;
    return body_->write(recordLine(file));
}

Result<Done, FileError> RecordWriter::finish(const RecordHeader& header, double seconds)
{
    auto written = writeRecord(header);
    auto history = appendHistory(header, seconds);
    return written.ok() ? history : written;
}

Result<Done, FileError> RecordWriter::writeRecord(const RecordHeader& header)
{
    if (auto closed = body_->finish(); !closed.ok()) {
        return closed;
    }
    const std::string target = joinPath(folder_, kRecordFileName);
    platform::PendingFile record{platform::temporaryPathFor(target), target, 0};
    auto out = platform::TextOutput::open(record.temporaryPath, platform::TextOutput::Mode::CreateNew);
    if (!out.ok()) {
        return Result<Done, FileError>::failure(out.error());
    }
    auto written = out.value().write(recordHeading(header));
    if (written.ok()) {
        written = appendFile(out.value(), bodyPath_);
    }
    if (written.ok()) {
        written = out.value().finish();
    }
    if (written.ok()) {
        written = platform::commit(record);
    }
    if (!written.ok()) {
        (void)platform::discard(record);
    }
    body_.reset();
    (void)platform::discard({bodyPath_, {}, 0});
    return written;
}

Result<Done, FileError> RecordWriter::appendHistory(const RecordHeader& header, double seconds)
{
    const std::string path = joinPath(folder_, kHistoryFileName);
    const bool isNew = !platform::inspect(path).ok();
    auto out = platform::TextOutput::open(path, platform::TextOutput::Mode::Append);
    if (!out.ok()) {
        return Result<Done, FileError>::failure(out.error());
    }
    auto written = out.value().write((isNew ? historyHeading() : std::string()) + historyLine(header, files_, seconds));
    return written.ok() ? out.value().finish() : written;
}

} // namespace rv
