#include "backup/run_copier.h"

#include "platform/destination_entry.h"
#include "platform/file_system.h"
#include "platform/local_time.h"
#include "platform/read_back.h"
#include "platform/source_content.h"
#include "platform/temporary_names.h"

namespace rv {

using platform::FileError;
using platform::FileErrorKind;
using platform::PendingFile;

RunCopier::RunCopier(const platform::DestinationFolder& root, CopyCommitter& committer, ProgressMeter& meter,
                     RunLedger& ledger, const std::atomic<bool>& cancel, const EarlierCopies& earlier, bool readBack)
    : root_(root), committer_(committer), meter_(meter), ledger_(ledger), cancel_(cancel), earlier_(earlier),
      readBack_(readBack)
{
}

bool RunCopier::mayBeUnchanged(const std::string& recordPath, std::uint64_t size) const
{
    const EarlierCopies::Listed* listed = earlier_.find(recordPath);
    return listed != nullptr && listed->size == size;
}

// Whatever keeps a file from being found unchanged (a source that cannot be
// read, a copy missing or wrong) is met again, and reported, by its copy.
bool RunCopier::keptUnchanged(std::size_t step, const std::string& relativePath, const std::string& recordPath,
                              const platform::SourceFile& source, const platform::SourceStamp& stamp,
                              const CopyPlace& copy, std::uint64_t& reported, const CheckedAhead* ahead)
{
    const EarlierCopies::Listed* listed = earlier_.find(recordPath);
    if (listed == nullptr || stamp.size != listed->size) {
        return false;
    }
    auto there = platform::stampAt(copy.folder, copy.name);
    if (!there.ok() || !there.value() || there.value()->size != listed->size) {
        return false;
    }
    if (ahead != nullptr && ahead->source) {
        if (*ahead->source != listed->digest) {
            return false;
        }
    } else if (auto digest = digester_.digestOf(source, &cancel_); !digest.ok() || digest.value() != listed->digest) {
        return false;
    }
    const bool readAhead = ahead != nullptr && ahead->copy && *ahead->copy == listed->digest;
    if (readsBack(recordPath) && !readAhead) {
        auto read = platform::readFromDeviceBelow(copy.folder, copy.name, &cancel_);
        if (!read.ok() || read.value().digest != listed->digest) {
            ledger_.copyFoundWrong(copy.target, read.ok() ? std::nullopt : std::optional<FileError>(read.error()));
            return false;
        }
    }
    committer_.keptInPlace(*there.value(), copy.target, relativePath.empty());
    meter_.fileDone(reported, listed->size);
    ledger_.unchanged(step, relativePath,
                      {recordPath, listed->size, platform::modifiedTimeText(stamp.modified), listed->digest, true});
    return true;
}

void RunCopier::copyFile(std::size_t step, const CopyStep& what, bool sharedName)
{
    auto source = platform::SourceFile::open(what.source);
    if (!source.ok()) {
        ledger_.notCopied(step, source.error());
        return;
    }
    std::uint64_t reported = 0;
    if (!sharedName) {
        auto stamp = platform::stampOf(source.value());
        if (stamp.ok() && keptUnchanged(step, {}, what.name, source.value(), stamp.value(),
                                        {root_, what.name, what.name}, reported)) {
            return;
        }
    }
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
