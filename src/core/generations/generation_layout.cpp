#include "generations/generation_layout.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <limits>

namespace rv {
namespace {

bool isDigits(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

constexpr std::string_view kHour = "時";
constexpr std::string_view kMinute = "分";
constexpr std::string_view kNumberOpen = "（";
constexpr std::string_view kNumberClose = "）";

} // namespace

std::optional<std::string> generationFolderName(std::string_view when)
{
    // "YYYY-MM-DD HH:MM:SS"
    if (when.size() < 16 || when[4] != '-' || when[7] != '-' || when[10] != ' ' || when[13] != ':' ||
        !isDigits(when.substr(0, 4)) || !isDigits(when.substr(5, 2)) || !isDigits(when.substr(8, 2)) ||
        !isDigits(when.substr(11, 2)) || !isDigits(when.substr(14, 2))) {
        return std::nullopt;
    }
    std::string name(when.substr(0, 13));
    name += kHour;
    name += when.substr(14, 2);
    name += kMinute;
    return name;
}

std::string unusedGenerationName(const std::string& name, const std::vector<std::string>& taken)
{
    const auto isTaken = [&taken](const std::string& candidate) {
        return std::find(taken.begin(), taken.end(), candidate) != taken.end();
    };
    std::string candidate = name;
    for (int number = 2; isTaken(candidate); ++number) {
        candidate = name + std::string(kNumberOpen) + std::to_string(number) + std::string(kNumberClose);
    }
    return candidate;
}

bool isGenerationName(std::string_view name)
{
    // "YYYY-MM-DD HH時MM分", then perhaps "（N）".
    const std::size_t timeLength = 13 + kHour.size() + 2 + kMinute.size();
    if (name.size() < timeLength) {
        return false;
    }
    const std::string_view time = name.substr(0, timeLength);
    const std::string when =
        std::string(time.substr(0, 13)) + ":" + std::string(time.substr(13 + kHour.size(), 2)) + ":00";
    if (time.substr(13, kHour.size()) != kHour || time.substr(timeLength - kMinute.size()) != kMinute ||
        generationFolderName(when) != std::string(time)) {
        return false;
    }
    std::string_view rest = name.substr(timeLength);
    if (rest.empty()) {
        return true;
    }
    if (rest.substr(0, kNumberOpen.size()) != kNumberOpen || rest.size() <= kNumberOpen.size() + kNumberClose.size() ||
        rest.substr(rest.size() - kNumberClose.size()) != kNumberClose) {
        return false;
    }
    return isDigits(rest.substr(kNumberOpen.size(), rest.size() - kNumberOpen.size() - kNumberClose.size()));
}

namespace {

// "name（10）" after "name（9）": by time, then by number.
bool isOlder(const std::string& first, const std::string& second)
{
    // A number too large to read sorts last of its minute, and throws nothing.
    const auto number = [](const std::string& name) -> std::uint64_t {
        const std::size_t open = name.find(kNumberOpen);
        if (open == std::string::npos) {
            return 1;
        }
        std::uint64_t value = 0;
        const char* digits = name.data() + open + kNumberOpen.size();
        const auto read = std::from_chars(digits, name.data() + name.size(), value);
        return read.ec == std::errc() ? value : std::numeric_limits<std::uint64_t>::max();
    };
    const std::string firstTime = first.substr(0, first.find(kNumberOpen));
    const std::string secondTime = second.substr(0, second.find(kNumberOpen));
    return firstTime != secondTime ? firstTime < secondTime : number(first) < number(second);
}

} // namespace

Result<std::vector<std::string>, platform::FileError> earlierGenerations(const platform::DestinationFolder& backup)
{
    using R = Result<std::vector<std::string>, platform::FileError>;
    std::vector<std::string> names;
    auto earlier = backup.openFolder(kEarlierBackupsFolder);
    if (!earlier.ok()) {
        return earlier.error().kind == platform::FileErrorKind::NotFound ? R::success(std::move(names))
                                                                         : R::failure(earlier.error());
    }
    auto listed = earlier.value().forEachName([&names](std::string_view name) {
        if (isGenerationName(name)) {
            names.emplace_back(name);
        }
    });
    if (!listed.ok()) {
        return R::failure(listed.error());
    }
    std::sort(names.begin(), names.end(), isOlder);
    return R::success(std::move(names));
}

} // namespace rv
