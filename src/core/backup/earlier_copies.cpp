#include "backup/earlier_copies.h"

#include "record/record_reader.h"

#include <algorithm>
#include <chrono>
#include <variant>

namespace rv {
namespace {

constexpr std::uint64_t kDaysToReadEveryCopy = 7;

} // namespace

EarlierCopies EarlierCopies::read(const platform::DestinationFolder& root, std::uint64_t day,
                                  const std::atomic<bool>& cancel)
{
    EarlierCopies copies;
    copies.day_ = day;
    auto reader = RecordReader::open(root);
    if (!reader.ok()) {
        return copies;
    }
    // Room for every file at once, as the heading counts them: a vector
    // grown by doubling would take twice that at its peak.
    copies.files_.reserve(std::min<std::uint64_t>(reader.value().declared().files, std::uint64_t{1} << 24));
    while (auto entry = reader.value().next()) {
        if (const auto* file = std::get_if<RecordedFile>(&*entry)) {
            copies.files_.push_back({textHash(file->relativePath), {file->size, file->digest}});
        }
        if (cancel.load()) {
            break;
        }
    }
    if (reader.value().damage() || cancel.load()) {
        // Nothing of a damaged record is used: every file is copied again.
        copies.files_.clear();
        copies.files_.shrink_to_fit();
        return copies;
    }
    std::sort(copies.files_.begin(), copies.files_.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    copies.files_.shrink_to_fit();
    copies.when_ = reader.value().when();
    return copies;
}

const EarlierCopies::Listed* EarlierCopies::find(const std::string& recordPath) const
{
    const std::uint64_t key = textHash(recordPath);
    const auto found = std::lower_bound(files_.begin(), files_.end(), key,
                                        [](const Entry& entry, std::uint64_t wanted) { return entry.key < wanted; });
    return found != files_.end() && found->key == key ? &found->listed : nullptr;
}

// textHash is the same for a path on every system and in every run: the
// share a copy belongs to stays its own.
bool EarlierCopies::readsBack(const std::string& recordPath) const
{
    return textHash(recordPath) % kDaysToReadEveryCopy == day_ % kDaysToReadEveryCopy;
}

std::uint64_t runDay()
{
    const auto days = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<std::uint64_t>(days.time_since_epoch().count());
}

} // namespace rv
