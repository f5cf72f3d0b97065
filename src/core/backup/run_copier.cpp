#include "backup/run_copier.h"

#include "platform/file_system.h"
#include "platform/temporary_names.h"

namespace rv {

using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;

RunCopier::RunCopier(const platform::DestinationFolder& root, CopyCommitter& committer, ProgressMeter& meter,
                     RunLedger& ledger, const std::atomic<bool>& cancel)
    : root_(root), committer_(committer), meter_(meter), ledger_(ledger), cancel_(cancel)
{
}

void RunCopier::copyFile(std::size_t step, const CopyStep& what)
{
    auto source = platform::SourceFile::open(what.source);
    if (!source.ok()) {
        ledger_.notCopied(step, source.error());
        return;
    }
    std::uint64_t reported = 0;
    auto pending = copyMakingRoom(source.value(), root_, what.name, reported);
    if (!pending.ok() && whyNotCopied(pending.error()) == CopyReason(BackupReason::DestinationGone)) {
        ledger_.fail(step, BackupReason::DestinationGone, pending.error().detail);
        return;
    }
    if (!pending.ok()) {
        ledger_.notCopied(step, pending.error());
        return;
    }
    handOver({std::move(pending.value()), step, {}}, reported);
}

CopyReason RunCopier::whyNotCopied(const FileError& error) const
{
    if (error.kind == FileErrorKind::NotWritable && !root_.stillChosen().ok()) {
        return BackupReason::DestinationGone;
    }
    return error.kind;
}

Result<PendingFile, FileError> RunCopier::copyMakingRoom(const platform::SourceFile& source,
                                                         const platform::DestinationFolder& into, std::string_view name,
                                                         std::uint64_t& reported)
{
    auto copied = copier_.copyToTemporary(source, into, name, control(reported));
    if (copied.ok() || copied.error().kind != FileErrorKind::NoSpace) {
        return copied;
    }
    bool roomMade = committer_.hasPending();
    committer_.finish();
    if (clearAhead_) {
        roomMade = clearAhead_() || roomMade;
    }
    return roomMade ? copier_.copyToTemporary(source, into, name, control(reported)) : copied;
}

void RunCopier::handOver(PendingCopy copy, std::uint64_t& reported)
{
    const auto& file = std::get<PendingFile>(copy.entry);
    try {
        meter_.fileDone(reported, file.bytes);
    } catch (...) {
        static_cast<void>(platform::discard(root_, file));
        throw;
    }
    if (file.lookNotKept) {
        ledger_.lookNotKept(file.targetPath, *file.lookNotKept);
    }
    ledger_.handedOver(copy.step);
    committer_.add(std::move(copy));
}

void RunCopier::handOverFolder(std::size_t step, FilledFolder folder)
{
    ledger_.handedOver(step);
    committer_.add({std::move(folder), step, {}});
}

void RunCopier::sweep(const platform::DestinationFolder& folder)
{
    ledger_.swept(folder.path(), platform::removeAbandonedCopies(folder));
}

platform::CopyControl RunCopier::control(std::uint64_t& reported)
{
    return {&cancel_, [this, &reported](std::uint64_t bytes) { meter_.bytesOfFile(reported, bytes); }};
}

} // namespace rv
