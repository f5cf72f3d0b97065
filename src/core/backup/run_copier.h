#pragma once

#include "backup/backup_plan.h"
#include "backup/checked_ahead.h"
#include "backup/copy_committer.h"
#include "backup/earlier_copies.h"
#include "backup/progress_meter.h"
#include "backup/run_ledger.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"
#include "platform/source_content.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

namespace rv {

// The run's writing into the backup: each file copied to a temporary name
// beside its target, its bytes counted as they go, and the complete copy
// handed to the committer.
class RunCopier {
public:
    // root is the chosen folder; everything given must outlive the copier.
    // earlier: what the copies lying there hold; readBack: whether this run
    // reads copies back (and with them its share of the unchanged ones).
    RunCopier(const platform::DestinationFolder& root, CopyCommitter& committer, ProgressMeter& meter,
              RunLedger& ledger, const std::atomic<bool>& cancel, const EarlierCopies& earlier, bool readBack);

    // What clears the copies made ahead when the disk is full; true when it
    // freed any room.
    void onFullDisk(std::function<bool()> clearAhead) { clearAhead_ = std::move(clearAhead); }

    // Where a source's copy lies: at name in folder, a held folder of the
    // backup, which is target inside the chosen folder. Its stamp is asked
    // from the folder, not along the whole path, as it is asked for every file.
    struct CopyPlace {
        const platform::DestinationFolder& folder;
        std::string_view name;
        const std::string& target;
    };
    // Whether the source needs no copy: the earlier record lists recordPath
    // with the size and digest the source has now (stamp: its size and time
    // as the source was opened or listed; its content read whole, so that a
    // change that keeps size and time is caught), its copy lies at the place
    // with that size, and, in this run's share of the copies read back, reads
    // back right from the disk. Such a file is reported backed up and not
    // written again; relativePath: inside the data folder, empty for a single file.
    // ahead: what was found of the file before its turn, where it was checked
    // ahead; a part not found there is read here.
    bool keptUnchanged(std::size_t step, const std::string& relativePath, const std::string& recordPath,
                       const platform::SourceFile& source, const platform::SourceStamp& stamp, const CopyPlace& copy,
                       std::uint64_t& reported, const CheckedAhead* ahead = nullptr);
    // Whether the earlier record lists recordPath with this size: the file
    // is worth reading before it is copied.
    bool mayBeUnchanged(const std::string& recordPath, std::uint64_t size) const;
    // Whether the run reads back the copy of recordPath, should the source
    // be unchanged. Both of these may be asked from any thread.
    bool readsBack(const std::string& recordPath) const { return readBack_ && earlier_.readsBack(recordPath); }

    // A single file of the plan, into the chosen folder. sharedName: another
    // item of the plan is written under the same name, so the copy lying
    // there may be this run's own, and is not compared.
    void copyFile(std::size_t step, const CopyStep& what, bool sharedName);
    // Why a copy failed as the user is told: a write that failed because the
    // chosen folder went (its disk pulled out) says that.
    CopyReason whyNotCopied(const platform::FileError& error) const;

    // A full disk may be full of this run's own copies waiting for their
    // batch beside the earlier copies they replace: once they are in place
    // and the copies made ahead are cleared, the file is tried once more.
    // reported: the file's bytes counted so far.
    Result<platform::PendingFile, platform::FileError> copyMakingRoom(const platform::SourceFile& source,
                                                                      const platform::DestinationFolder& into,
                                                                      std::string_view name, std::uint64_t& reported);

    // Reports a complete copy and hands it to the committer. A report that
    // throws takes the copy with it rather than leave it under its temporary name.
    void handOver(PendingCopy copy, std::uint64_t& reported);
    // A folder whose copies have all been handed over: its look waits in the
    // batch behind them.
    void handOverFolder(std::size_t step, FilledFolder folder);
    // A file that is over without a copy: its bytes count as done.
    void fileOver(std::uint64_t& reported, std::uint64_t size) { meter_.fileDone(reported, size); }

    // Unfinished copies of an earlier run that was cut off are removed where
    // this run writes, so that they do not pile up on the backup disk.
    void sweep(const platform::DestinationFolder& folder);

private:
    platform::CopyControl control(std::uint64_t& reported);

    const platform::DestinationFolder& root_;
    CopyCommitter& committer_;
    ProgressMeter& meter_;
    RunLedger& ledger_;
    const std::atomic<bool>& cancel_;
    const EarlierCopies& earlier_;
    bool readBack_;
    std::function<bool()> clearAhead_;
    platform::FileCopier copier_;
    platform::SourceDigester digester_;
};

} // namespace rv
