#pragma once

#include "backup/backup_plan.h"
#include "backup/folder_precopy.h"
#include "backup/placed_names.h"
#include "backup/run_copier.h"
#include "backup/run_ledger.h"
#include "platform/destination_folder.h"
#include "platform/source_tree.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rv {

// The copy of the data folder: walked as it is copied, a folder made as the
// walk enters it and given its source's look once what it holds is in
// place. When the folder comes last, its small files are copied ahead while
// the single files before it are written.
class FolderCopy {
public:
    // root is the chosen folder; everything given must outlive this.
    FolderCopy(const BackupPlan& plan, const platform::DestinationFolder& root, RunCopier& copier, RunLedger& ledger,
               const std::atomic<bool>& cancel);

    // Starts copying ahead when the plan ends with a folder with files in it
    // (surveyedFiles: counted before the run). Its folder in the backup is
    // made here, on the run's own thread. The copying ahead goes a few of the
    // committer's batches (batches) at most, cut off at the folder's turn
    // unless how says otherwise.
    void startAhead(std::uint64_t surveyedFiles, BatchLimits batches,
                    AheadOfFolder how = AheadOfFolder::CutOffAtItsTurn);
    // Before the step's turn: a run cancelled by then never reaches the
    // folder, and leaves nothing of it.
    void beforeStep(std::size_t step);
    // After the step's turn: the copies made ahead and not taken go.
    void afterStep(std::size_t step);
    // Ends the copying ahead and removes its copies, to make room on a full
    // disk; true when there were any.
    bool clearAhead();

    // Copies the step's folder.
    void copy(std::size_t step);

private:
    // A folder of the copy, on the way down the walk.
    struct Frame {
        std::optional<platform::DestinationFolder> folder; // none when it could not be made
        std::optional<CommitFailure> problem;              // why not: what is inside it is not copied either
        platform::FolderLook look;
        MadeFolders madeInside;
    };

    bool aheadAt(std::size_t step) const { return precopy_ && step == aheadStep_; }
    void abandonAhead();
    bool enterFolder(std::size_t step, const platform::WalkStep& entry, std::vector<Frame>& frames);
    std::optional<CommitFailure> makeInside(Frame& parent, std::string_view name, Frame& frame);
    void leaveFolder(std::size_t step, std::vector<Frame>& frames);
    bool copyEntry(std::size_t step, platform::SourceWalk& walk, const platform::WalkStep& entry, const Frame& into);
    // A copy of the file, or nothing when the copy lying there holds it already.
    Result<std::optional<platform::PendingFile>, platform::FileError>
    takeOrCopy(std::size_t step, platform::SourceWalk& walk, const platform::WalkStep& entry,
               const platform::DestinationFolder& into, std::uint64_t& reported);

    const BackupPlan& plan_;
    const platform::DestinationFolder& root_;
    RunCopier& copier_;
    RunLedger& ledger_;
    const std::atomic<bool>& cancel_;
    std::optional<platform::DestinationFolder> folderAhead_;
    bool madeFolderAhead_ = false;
    std::optional<FolderPrecopy> precopy_; // while the folder is copied ahead
    std::size_t aheadStep_ = 0;
    bool aheadFinishes_ = false; // let finish before the folder's turn
};

} // namespace rv
