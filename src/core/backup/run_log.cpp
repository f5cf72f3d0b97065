#include "backup/run_log.h"

namespace rv {

std::vector<std::string> describeItemForLog(const ItemResult& item)
{
    const std::string route = item.source + " -> " + item.destination;
    if (item.outcome == ItemOutcome::Copied) {
        return {"copied " + route};
    }
    std::vector<std::string> lines{"not copied " + route + " : " + std::string(reasonText(item.reason)) +
                                   (item.detail.empty() ? "" : " " + item.detail)};
    for (const FileFailure& failure : item.fileFailures) {
        lines.push_back("  not copied " + failure.relativePath + " : " + std::string(reasonText(failure.reason)) +
                        (failure.detail.empty() ? "" : " " + failure.detail));
    }
    return lines;
}

} // namespace rv
