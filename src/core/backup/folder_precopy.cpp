#include "backup/folder_precopy.h"

#include "platform/read_back.h"

#include <system_error>
#include <utility>

namespace rv {
namespace {

// Larger files wait on the device rather than the processor; they gain
// nothing from going ahead, and would need a second large copy buffer. Each
// file ahead is short work, so that stop never waits long.
constexpr std::uint64_t kLargestFileAhead = std::uint64_t{1} << 20;
// A file checked ahead takes no room on the disk, only about 200 bytes here.
constexpr std::size_t kMostChecksAhead = 32768;

} // namespace

FolderPrecopy::FolderPrecopy(const platform::DestinationFolder& root, const platform::DestinationFolder& into,
                             std::string source, const std::atomic<bool>& cancel, BatchLimits limits, AheadFor aheadFor)
    : root_(root), into_(into), source_(std::move(source)), cancel_(cancel), limits_(limits),
      aheadFor_(std::move(aheadFor))
{
    try {
        worker_ = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to be had: the folder is copied at its turn, as it would be anyway.
    }
}

// The run has cleared what was left by now; this only covers a way out
// that skipped it, where there is nobody left to tell.
FolderPrecopy::~FolderPrecopy() { discardRest(); }

void FolderPrecopy::stop()
{
    stop_ = true;
    finish();
}

void FolderPrecopy::finish()
{
    if (worker_.joinable()) {
        worker_.join();
    }
}

// The copies wait in the folder's top level: the folders below it are made
// at the folder's turn, and a rename within one file system can put a copy
// anywhere in it. A file that fails here is copied again at its turn, which
// reports what it meets.
void FolderPrecopy::work()
{
    auto walk = platform::SourceWalk::open(source_);
    if (!walk.ok()) {
        return;
    }
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    while (files < limits_.files && bytes < limits_.bytes && !stop_.load() && !cancel_.load()) {
        const platform::WalkStep* step = walk.value().next();
        if (step == nullptr) {
            return;
        }
        if (step->kind != platform::WalkStepKind::File || step->stamp.size >= kLargestFileAhead) {
            continue;
        }
        const Ahead ahead = aheadFor_ ? aheadFor_(step->relativePath, step->stamp.size) : Ahead::Copy;
        if (ahead != Ahead::Copy) {
            if (checked_.size() < kMostChecksAhead) {
                check(walk.value(), *step, ahead == Ahead::CheckAndReadBack);
            }
            continue;
        }
        auto file = walk.value().openFile();
        if (!file.ok()) {
            continue;
        }
        auto copy = copier_.copyToTemporary(file.value(), into_, "ahead", {&cancel_, {}});
        if (copy.ok()) {
            ++files;
            bytes += copy.value().bytes;
            ready_.emplace(step->relativePath, ReadyCopy{step->stamp, std::move(copy.value())});
        }
    }
}

void FolderPrecopy::check(platform::SourceWalk& walk, const platform::WalkStep& step, bool readBack)
{
    auto file = walk.openFile();
    if (!file.ok()) {
        return;
    }
    CheckedAhead checked;
    if (auto digest = digester_.digestOf(file.value(), &cancel_); digest.ok()) {
        checked.source = digest.value();
    }
    if (readBack) {
        if (auto read = platform::readFromDeviceBelow(into_, step.relativePath, &cancel_); read.ok()) {
            checked.copy = read.value().digest;
        }
    }
    checked_.emplace(step.relativePath, ReadyCheck{step.stamp, checked});
}

std::optional<CheckedAhead> FolderPrecopy::takeChecked(const std::string& relativePath,
                                                       const platform::SourceStamp& listed)
{
    const auto ready = checked_.find(relativePath);
    if (ready == checked_.end()) {
        return std::nullopt;
    }
    const ReadyCheck check = ready->second;
    checked_.erase(ready);
    return check.listed == listed ? std::optional<CheckedAhead>(check.checked) : std::nullopt;
}

std::optional<platform::PendingFile> FolderPrecopy::take(const std::string& relativePath,
                                                         const platform::SourceStamp& listed)
{
    const auto ready = ready_.find(relativePath);
    if (ready == ready_.end()) {
        return std::nullopt;
    }
    ReadyCopy copy = std::move(ready->second);
    ready_.erase(ready);
    // A file written to, or replaced, since is copied again, so the backup
    // holds it as it is at its turn.
    if (copy.listed == listed) {
        return std::move(copy.file);
    }
    discard(copy.file);
    return std::nullopt;
}

void FolderPrecopy::discard(const platform::PendingFile& file)
{
    if (auto removed = platform::discard(root_, file); !removed.ok()) {
        notRemoved_.push_back({file.targetPath, removed.error()});
    }
}

std::vector<LeftBehind> FolderPrecopy::discardRest()
{
    stop(); // the run may reach here without taking anything
    for (const auto& [relativePath, copy] : ready_) {
        discard(copy.file);
    }
    ready_.clear();
    checked_.clear();
    return std::exchange(notRemoved_, {});
}

} // namespace rv
