#include "backup/backup_run.h"

#include "backup/copy_committer.h"
#include "backup/earlier_copies.h"
#include "backup/folder_copy.h"
#include "backup/progress_meter.h"
#include "backup/run_copier.h"
#include "backup/run_ledger.h"
#include "backup/run_survey.h"
#include "generations/generation_layout.h"
#include "platform/destination_folder.h"
#include "platform/file_copy.h"
#include "platform/local_time.h"

#include <algorithm>
#include <chrono>
#include <optional>

namespace rv {
namespace {

using platform::DestinationFolder;
using platform::FileError;

std::vector<std::uint64_t> filesOf(const std::vector<StepSurvey>& surveys)
{
    std::vector<std::uint64_t> files;
    files.reserve(surveys.size());
    for (const StepSurvey& survey : surveys) {
        files.push_back(survey.files);
    }
    return files;
}

// Whether another step of the plan writes the same name as step.
bool sharesName(const BackupPlan& plan, std::size_t step)
{
    return plan.steps[step].overwrittenBy ||
           std::any_of(plan.steps.begin(), plan.steps.end(),
                       [step](const CopyStep& other) { return other.overwrittenBy == step; });
}

// The name of the generation this run may make: the time of the run that left
// the files lying flat, or, without its record, this run's own.
std::string generationName(const EarlierCopies& earlier)
{
    const auto named = earlier.when() ? generationFolderName(*earlier.when()) : std::nullopt;
    return named.value_or(generationFolderName(platform::localTimeText(std::chrono::system_clock::now())).value_or(""));
}

// Puts the run's parts together and takes the steps in plan order; what
// each part does is its own.
class Runner {
public:
    Runner(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
           const RunTuning& tuning)
        : plan_(plan), cancel_(cancel), tuning_(tuning), surveys_(survey(plan, cancel)),
          meter_(callbacks.onProgress, plan.steps.size(), total(surveys_).files, total(surveys_).bytes),
          ledger_(plan, callbacks, filesOf(surveys_))
    {
    }

    BackupResult run()
    {
        std::optional<CommitFailure> unusable;
        if (const auto unopened = openDestination()) {
            unusable = CommitFailure{unopened->kind, unopened->detail};
        }
        StepSurvey before;
        for (std::size_t i = 0; i < plan_.steps.size(); ++i) {
            meter_.startItem(i + 1, plan_.steps[i].name);
            if (folderCopy_) {
                folderCopy_->beforeStep(i);
            }
            if (!unusable) {
                if (auto there = root_->stillChosen(); !there.ok()) {
                    unusable = CommitFailure{BackupReason::DestinationGone, there.error().detail};
                }
            }
            copyStep(i, unusable);
            if (folderCopy_) {
                folderCopy_->afterStep(i);
            }
            ledger_.walked(i);
            before.files += surveys_[i].files;
            before.bytes += surveys_[i].bytes;
            meter_.reachAtLeast(before.files, before.bytes);
            ledger_.report();
        }
        // What was completely copied is kept, also when the run was cancelled.
        if (committer_) {
            committer_->settleAll();
        }
        return ledger_.close(tuning_.readBack.enabled);
    }

private:
    // The chosen folder, held open from here on, and the parts that write
    // there; or why there is none.
    std::optional<FileError> openDestination()
    {
        auto root = DestinationFolder::openChosen(plan_.backupFolder);
        if (!root.ok()) {
            return root.error();
        }
        auto flusher = platform::WriteFlusher::open(plan_.backupFolder);
        if (!flusher.ok()) {
            return flusher.error();
        }
        root_.emplace(std::move(root.value()));
        for (RunNote& note : removeOldGenerations(*root_, {tuning_.keepGenerations, total(surveys_).bytes}, cancel_)) {
            ledger_.note(std::move(note));
        }
        earlier_ = EarlierCopies::read(*root_, tuning_.readBackDay.value_or(runDay()), cancel_);
        keeper_.emplace(*root_, generationName(earlier_));
        // The committer keeps the flusher: a batch in flight on its thread
        // has it until the committer is gone, whatever ends the run.
        ReadBackCheck check = tuning_.readBack;
        check.cancel = &cancel_;
        committer_.emplace(
            *root_, std::move(flusher.value()), [this](SettledCopy& copy) { ledger_.settle(copy); }, tuning_.batches,
            std::move(check));
        committer_->keepReplacedIn(*keeper_);
        copier_.emplace(*root_, *committer_, meter_, ledger_, cancel_, earlier_, tuning_.readBack.enabled);
        folderCopy_.emplace(plan_, *root_, *copier_, ledger_, cancel_);
        copier_->onFullDisk([this] { return folderCopy_->clearAhead(); });
        copier_->sweep(*root_);
        folderCopy_->startAhead(surveys_.empty() ? 0 : surveys_.back().files, tuning_.batches, tuning_.ahead);
        return std::nullopt;
    }

    void copyStep(std::size_t index, const std::optional<CommitFailure>& unusable)
    {
        const CopyStep& step = plan_.steps[index];
        if (cancel_.load()) {
            ledger_.fail(index, platform::FileErrorKind::Cancelled, {});
        } else if (unusable) {
            ledger_.fail(index, unusable->reason, unusable->detail);
        } else if (step.problem) {
            ledger_.fail(index, *step.problem, {});
        } else if (step.kind == StepKind::File) {
            copier_->copyFile(index, step, sharesName(plan_, index));
        } else {
            folderCopy_->copy(index);
        }
    }

    const BackupPlan& plan_;
    const std::atomic<bool>& cancel_;
    RunTuning tuning_;
    std::vector<StepSurvey> surveys_;
    ProgressMeter meter_;
    RunLedger ledger_;
    // Once the destination is open; each part outlives those after it.
    std::optional<DestinationFolder> root_;
    EarlierCopies earlier_;
    std::optional<GenerationKeeper> keeper_;
    std::optional<CopyCommitter> committer_;
    std::optional<RunCopier> copier_;
    std::optional<FolderCopy> folderCopy_;
};

} // namespace

BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       const RunTuning& tuning)
{
    return Runner(plan, callbacks, cancel, tuning).run();
}

} // namespace rv
