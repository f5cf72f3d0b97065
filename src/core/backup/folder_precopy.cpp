#include "backup/folder_precopy.h"

#include "common/path_text.h"

#include <system_error>
#include <utility>

namespace rv {
namespace {

// Larger files wait on the device rather than the processor; they gain
// nothing from going ahead, and would need a second large copy buffer.
constexpr std::uint64_t kLargestFileAhead = std::uint64_t{1} << 20;

} // namespace

FolderPrecopy::FolderPrecopy(const CopyStep& step, const platform::TreeListing& listing,
                             const std::atomic<bool>& cancel, BatchLimits limits)
    : step_(step), listing_(listing), cancel_(cancel), limits_(limits)
{
    // The folder is made here, on the run's own thread, so that nothing is
    // made behind the run's back once its destination is gone.
    auto existing = platform::inspect(step_.destination);
    if (!existing.ok() && existing.error().kind == platform::FileErrorKind::NotFound) {
        madeFolder_ = platform::ensureFolder(step_.destination).ok();
        if (!madeFolder_) {
            return;
        }
    } else if (!existing.ok() || existing.value().kind != platform::EntryKind::Folder) {
        return; // the run meets this at the folder's turn and says so
    }
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

void FolderPrecopy::work()
{
    // The copies wait in the folder's top level: the folders below it are
    // made at the folder's turn, and a rename within one file system can put
    // a copy anywhere in it.
    const std::string nearTop = joinPath(step_.destination, "ahead");
    std::size_t files = 0;
    std::uint64_t bytes = 0;
    const auto& entries = listing_.entries;
    for (std::size_t i = 0; i < entries.size() && files < limits_.files && bytes < limits_.bytes; ++i) {
        if (stop_.load() || cancel_.load()) {
            return;
        }
        if (entries[i].isFolder || entries[i].size >= kLargestFileAhead) {
            continue;
        }
        // A file that fails here is copied again at its turn, which reports what it meets.
        const std::string source = joinPath(step_.source, entries[i].relativePath);
        auto before = platform::inspect(source);
        if (!before.ok()) {
            continue;
        }
        auto copy = copier_.copyToTemporary(source, nearTop, {&cancel_, {}});
        if (copy.ok()) {
            ++files;
            bytes += copy.value().bytes;
            ready_.push_back({i, before.value(), std::move(copy.value())});
        }
    }
}

std::optional<platform::PendingFile> FolderPrecopy::take(std::size_t entry)
{
    // Copies of entries passed over are not wanted any more.
    for (; taken_ < ready_.size() && ready_[taken_].entry < entry; ++taken_) {
        discard(ready_[taken_].file);
    }
    if (taken_ == ready_.size() || ready_[taken_].entry != entry) {
        return std::nullopt;
    }
    ReadyCopy& ready = ready_[taken_++];
    // A source written to, removed or replaced since is copied again, so the
    // backup holds it as it is at its turn, or says what became of it.
    const auto now = platform::inspect(joinPath(step_.source, listing_.entries[entry].relativePath));
    if (now.ok() && now.value().kind == ready.source.kind && now.value().size == ready.source.size &&
        now.value().modified == ready.source.modified) {
        return std::move(ready.file);
    }
    discard(ready.file);
    return std::nullopt;
}

void FolderPrecopy::discard(const platform::PendingFile& file)
{
    if (auto removed = platform::discard(file); !removed.ok()) {
        notRemoved_.push_back(removed.error());
    }
}

std::vector<platform::FileError> FolderPrecopy::discardRest()
{
    stop(); // the run may reach here without taking anything
    for (; taken_ < ready_.size(); ++taken_) {
        discard(ready_[taken_].file);
    }
    return std::exchange(notRemoved_, {});
}

std::vector<platform::FileError> FolderPrecopy::abandon()
{
    auto notRemoved = discardRest();
    if (madeFolder_) {
        if (auto removed = platform::removeEmptyFolder(step_.destination); !removed.ok()) {
            notRemoved.push_back(removed.error());
        }
        madeFolder_ = false;
    }
    return notRemoved;
}

} // namespace rv
