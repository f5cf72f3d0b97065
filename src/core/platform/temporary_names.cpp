#include "platform/temporary_names.h"

#include "common/path_text.h"

#include <atomic>
#include <charconv>
#include <optional>

namespace rv::platform {
namespace {

constexpr std::string_view kPrefix = ".rvtmp-";

std::atomic<unsigned> temporaryCounter{0};

// The process that wrote a temporary name, or nothing for any other name.
std::optional<std::uint64_t> writerOf(std::string_view name)
{
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        return std::nullopt;
    }
    name.remove_prefix(kPrefix.size());
    std::uint64_t process = 0;
    unsigned number = 0;
    const auto [dash, processError] = std::from_chars(name.data(), name.data() + name.size(), process);
    if (processError != std::errc() || dash == name.data() + name.size() || *dash != '-') {
        return std::nullopt;
    }
    const auto [end, numberError] = std::from_chars(dash + 1, name.data() + name.size(), number);
    if (numberError != std::errc() || end != name.data() + name.size() || end == dash + 1) {
        return std::nullopt;
    }
    return process;
}

} // namespace

// A short name, so that it fits whatever the target's length; the copier
// puts it in the target's own folder, so that the final rename stays on one
// file system.
std::string temporaryName()
{
    return std::string(kPrefix) + std::to_string(currentProcessId()) + "-" + std::to_string(temporaryCounter++);
}

std::string createUnderTemporaryName(const std::function<bool(const std::string& name)>& create)
{
    std::string name = temporaryName();
    for (unsigned tries = 1; create(name) && tries < kTemporaryNameTries; ++tries) {
        name = temporaryName();
    }
    return name;
}

AbandonedCopies removeAbandonedCopies(const DestinationFolder& folder)
{
    AbandonedCopies result;
    auto listed = folder.forEachName([&](std::string_view name) {
        const auto writer = writerOf(name);
        if (!writer || *writer == currentProcessId() || processIsRunning(*writer)) {
            return;
        }
        if (auto removed = folder.removeFile(name); removed.ok()) {
            result.removed.push_back(entryPath(folder.path(), name));
        } else {
            result.notRemoved.push_back(removed.error());
        }
    });
    if (!listed.ok()) {
        result.notRemoved.push_back(listed.error());
    }
    return result;
}

} // namespace rv::platform
