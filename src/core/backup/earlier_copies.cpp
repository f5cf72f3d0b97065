#include "backup/earlier_copies.h"

#include "record/record_reader.h"

#include <chrono>
#include <variant>

namespace rv {
namespace {

constexpr std::uint64_t kDaysToReadEveryCopy = 7;

} // namespace

EarlierCopies EarlierCopies::read(const platform::DestinationFolder& root, std::uint64_t day)
{
    EarlierCopies copies;
    copies.day_ = day;
    auto reader = RecordReader::open(root);
    if (!reader.ok()) {
        return copies;
    }
    while (auto entry = reader.value().next()) {
        if (auto* file = std::get_if<RecordedFile>(&*entry)) {
            copies.files_.insert_or_assign(std::move(file->relativePath), Listed{file->size, file->digest});
        }
    }
    if (reader.value().damage()) {
        // Nothing of a damaged record is used: every file is copied again.
        copies.files_.clear();
        return copies;
    }
    copies.when_ = reader.value().when();
    return copies;
}

const EarlierCopies::Listed* EarlierCopies::find(const std::string& recordPath) const
{
    const auto found = files_.find(recordPath);
    return found != files_.end() ? &found->second : nullptr;
}

bool EarlierCopies::readsBack(const std::string& recordPath) const
{
    ContentHasher hasher;
    hasher.add(recordPath.data(), recordPath.size());
    return hasher.digest().low % kDaysToReadEveryCopy == day_ % kDaysToReadEveryCopy;
}

std::uint64_t runDay()
{
    const auto days = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return static_cast<std::uint64_t>(days.time_since_epoch().count());
}

} // namespace rv
