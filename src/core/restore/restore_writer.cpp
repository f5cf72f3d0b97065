#include "restore/restore_writer.h"

#include "restore/target_folder.h"

#include "backup/copy_reason.h"
#include "common/path_text.h"
#include "platform/read_back.h"
#include "platform/source_content.h"

#include <array>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::FileError;
using platform::FileErrorKind;
using Failure = std::optional<PutBackFailure>;

PutBackFailure failureOf(const FileError& error)
{
    if (error.kind == FileErrorKind::Link) {
        return {"リンクです（リンク先はたどらず、戻していません）", false};
    }
    return {describeFileError(error), error.kind == FileErrorKind::Cancelled};
}

// Whether a regular file is at name in folder. A link, a pipe or anything
// else there is never written through, nor moved aside.
Result<bool, FileError> fileThere(const DestinationFolder& folder, std::string_view name)
{
    auto opened = platform::openFileBelow(folder, name);
    if (!opened.ok() && opened.error().kind == FileErrorKind::NotFound) {
        return Result<bool, FileError>::success(false);
    }
    if (!opened.ok()) {
        return Result<bool, FileError>::failure(opened.error());
    }
    return Result<bool, FileError>::success(true);
}

// Whether the file at name in folder holds what the record lists. One that
// cannot be read through is taken as not: it is replaced, and kept aside.
bool holdsRecorded(platform::SourceDigester& digester, const DestinationFolder& folder, std::string_view name,
                   const RecordedFile& file, const std::atomic<bool>* cancel)
{
    auto there = platform::SourceFile::openBelow(folder, name);
    if (!there.ok()) {
        return false;
    }
    auto stamp = platform::stampOf(there.value());
    if (!stamp.ok() || stamp.value().size != file.size) {
        return false;
    }
    auto digest = digester.digestOf(there.value(), cancel);
    return digest.ok() && digest.value() == file.digest;
}

} // namespace

Result<std::unique_ptr<RestoreWriter>, FileError> RestoreWriter::open(const std::string& folder, std::string keptName)
{
    using R = Result<std::unique_ptr<RestoreWriter>, FileError>;
    auto root = openTargetFolder(folder);
    if (!root.ok()) {
        return R::failure(root.error());
    }
    auto flusher = platform::WriteFlusher::open(folder);
    if (!flusher.ok()) {
        return R::failure(flusher.error());
    }
    return R::success(std::unique_ptr<RestoreWriter>(
        new RestoreWriter(std::move(root.value()), std::move(flusher.value()), std::move(keptName))));
}

Result<PutBack, PutBackFailure> RestoreWriter::put(platform::FileCopier& copier, const platform::SourceFile& source,
                                                   const RecordedFile& file, std::string_view relative,
                                                   bool onlyWhenMissing, const platform::CopyControl& control)
{
    using R = Result<PutBack, PutBackFailure>;
    const auto [parent, name] = splitRelative(relative);
    std::optional<DestinationFolder> below;
    if (!parent.empty()) {
        // The data folder's own folders; one the backup has and it lacks is made.
        auto reached = platform::folderBelow(root_, parent, platform::Reach::OpenOrMake);
        if (!reached.ok()) {
            return R::failure(failureOf(reached.error()));
        }
        below.emplace(std::move(reached.value()));
    }
    const DestinationFolder& folder = below ? *below : root_;
    auto present = fileThere(folder, name);
    if (!present.ok()) {
        return R::failure(failureOf(present.error()));
    }
    if (present.value() && onlyWhenMissing) {
        return R::success(PutBack::LeftAlone);
    }
    if (present.value() && holdsRecorded(digester_, folder, name, file, control.cancel)) {
        return R::success(PutBack::Unchanged);
    }
    auto pending = copier.copyToTemporary(source, folder, name, control);
    if (!pending.ok()) {
        return R::failure(failureOf(pending.error()));
    }
    Failure failure = verify(pending.value(), file, control.cancel);
    if (!failure) {
        failure = place(folder, pending.value(), relative, present.value());
    }
    if (failure) {
        if (auto discarded = platform::discard(root_, pending.value()); !discarded.ok()) {
            failure->reason += "（一時ファイル " + fileNameOf(pending.value().temporaryPath) + " が残りました）";
        }
        return R::failure(*failure);
    }
    return R::success(present.value() ? PutBack::Replaced : PutBack::Added);
}

Failure RestoreWriter::verify(const platform::PendingFile& pending, const RecordedFile& file,
                              const std::atomic<bool>* cancel)
{
    if (pending.bytes != file.size || pending.digest != file.digest) {
        return PutBackFailure{"バックアップのファイルが記録と違います（傷んでいるおそれがあります）", false};
    }
    const std::array<const platform::PendingFile*, 1> one = {&pending};
    if (auto flushed = flusher_.flush(root_, one); !flushed.ok()) {
        return PutBackFailure{"書き込みを確定できません：" + describeFileError(flushed.error()), false};
    }
    auto read = platform::readFromDeviceBelow(root_, pending.temporaryPath, cancel);
    if (!read.ok()) {
        return failureOf(read.error());
    }
    if (read.value().bytes != file.size || read.value().digest != file.digest) {
        return PutBackFailure{"書き込んだ内容を読み直すと記録と違いました", false};
    }
    return std::nullopt;
}

Failure RestoreWriter::place(const DestinationFolder& folder, const platform::PendingFile& pending,
                             std::string_view relative, bool present)
{
    if (present) {
        if (auto kept = kept_.keep(folder, relative); !kept.ok()) {
            return PutBackFailure{"今あるファイルを「復元前」フォルダへ移せないため、戻していません：" +
                                      describeFileError(kept.error()),
                                  false};
        }
    }
    auto committed = platform::commit(root_, pending);
    if (committed.ok()) {
        return std::nullopt;
    }
    PutBackFailure failure = failureOf(committed.error());
    if (present) {
        if (auto back = kept_.putBack(folder, relative); !back.ok()) {
            failure.reason += "（元のファイルは「復元前」フォルダにあります）";
        }
    }
    return failure;
}

Result<platform::Done, FileError> RestoreWriter::finish() { return flusher_.flush(root_, {}); }

} // namespace rv
