#pragma once

#include "backup/backup_plan.h"
#include "backup/copy_committer.h"
#include "backup/copy_reason.h"
#include "backup/copy_verification.h"
#include "backup/folder_precopy.h"
#include "backup/run_note.h"
#include "generations/retention.h"
#include "record/backup_record.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rv {

enum class ItemOutcome {
    Copied,
    NotPresent, // an optional source missing at its default path: information
    Failed,
};

// A file or folder inside the data folder that was not copied.
struct FileFailure {
    std::string relativePath;
    CopyReason reason;
    std::string detail; // the system's own wording, for logs
};

struct ItemResult {
    std::string name;
    std::string source;
    std::string destination;
    ItemOutcome outcome = ItemOutcome::Copied;
    CopyReason reason = platform::FileErrorKind::NotFound; // when not Copied
    std::string detail;
    // The data folder's files: how many were copied of how many, and what
    // was not: every entry is reported as it is met (onFileNotCopied), the
    // first few are kept here for the closing message, and all are counted.
    std::uint64_t filesCopied = 0;
    std::uint64_t filesTotal = 0;
    std::vector<FileFailure> fileFailures;
    std::uint64_t fileFailureCount = 0;
};

// How many of a folder's failures an item keeps: a tree of a million links
// must not take a million lines of memory.
inline constexpr std::size_t kFileFailuresKept = 5;

struct BackupResult {
    std::vector<ItemResult> items; // one per plan step, in plan order
    bool cancelled = false;
    // Side problems that lost no data (a temporary file that could not be
    // removed), for the log.
    std::vector<RunNote> notes;
    // Every copy put in place was read back from the device and found right.
    bool allVerified = true;
};

struct BackupProgress {
    std::string item;           // name of the item being copied
    std::size_t itemNumber = 0; // 1-based
    std::size_t itemCount = 0;
    std::uint64_t filesDone = 0;
    std::uint64_t filesTotal = 0;
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
};

struct BackupCallbacks {
    // Called on the thread that runs the backup, often (every file and every
    // few MB).
    std::function<void(const BackupProgress&)> onProgress;
    // Called for each item, in plan order, as soon as its outcome is final:
    // its copies in place and on the device, or it failed. A killed run has
    // reported what it finished.
    std::function<void(const ItemResult&)> onItemDone;
    // Called for each entry of the data folder that is not copied, as soon
    // as that is known; the folder's own item comes when it is done.
    std::function<void(const ItemResult& item, const FileFailure& failure)> onFileNotCopied;
    // Called for each file copied, once it is in place and on the device,
    // with what the backup's record says of it.
    std::function<void(const RecordedFile& file)> onFileCopied;
};

// How a run goes about its work: the program keeps the defaults; tests take
// smaller batches, to have one in flight with few files. Reading the copies
// back is on unless asked otherwise (the cancel it heeds is the run's own).
struct RunTuning {
    BatchLimits batches;
    ReadBackCheck readBack;
    unsigned keepGenerations = kDefaultGenerationsKept;
    // The day (since 1970) that picks the unchanged copies read back; today
    // unless a test names one.
    std::optional<std::uint64_t> readBackDay;
    // How much of the data folder goes ahead of its turn: what there is
    // time for, as the program has it; for tests, which need to know which
    // way a file went, nothing or all of it.
    AheadOfFolder ahead = AheadOfFolder::CutOffAtItsTurn;
};

// Carries out the plan. First the oldest earlier generations go, as
// tuning.keepGenerations and the disk's room say. A file the backup folder's
// record lists with the size and digest its source has now, whose copy is
// there, is not written again. Each other file goes to a temporary name
// beside its target and replaces it only when complete and flushed to the
// device; what it replaces is moved into an earlier generation. Setting
// cancel stops between and within files; what was completely copied stays.
// An exception from a callback ends the run and comes out of it; copies not
// in place by then are removed.
BackupResult runBackup(const BackupPlan& plan, const BackupCallbacks& callbacks, const std::atomic<bool>& cancel,
                       const RunTuning& tuning = {});

} // namespace rv
