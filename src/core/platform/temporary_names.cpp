#include "platform/temporary_names.h"

#include "common/path_text.h"
#include "platform/file_copy.h"

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

// A short name in the target's own folder, so that the final rename stays on
// one file system and the name fits whatever the target's length.
std::string temporaryPathFor(std::string_view target)
{
    return std::string(folderPartOf(target)) + std::string(kPrefix) + std::to_string(currentProcessId()) + "-" +
           std::to_string(temporaryCounter++);
}

AbandonedCopies removeAbandonedCopies(std::string_view folder)
{
    AbandonedCopies result;
    auto names = namesInFolder(folder);
    if (!names.ok()) {
        result.notRemoved.push_back(names.error());
        return result;
    }
    for (const std::string& name : names.value()) {
        const auto writer = writerOf(name);
        if (!writer || *writer == currentProcessId() || processIsRunning(*writer)) {
            continue;
        }
        const std::string path = entryPath(folder, name);
        if (auto removed = discard({path, {}, 0}); removed.ok()) {
            result.removed.push_back(path);
        } else {
            result.notRemoved.push_back(removed.error());
        }
    }
    return result;
}

} // namespace rv::platform
