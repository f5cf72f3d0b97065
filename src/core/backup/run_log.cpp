#include "backup/run_log.h"

#include "common/printable_text.h"

namespace rv {
namespace {

std::string because(CopyReason reason, const std::string& detail)
{
    return " : " + std::string(reasonText(reason)) + (detail.empty() ? "" : " " + printable(detail));
}

} // namespace

std::string describeItemForLog(const ItemResult& item)
{
    const std::string route = shownPath(item.source) + " -> " + shownPath(item.destination);
    if (item.outcome == ItemOutcome::Copied) {
        return "copied " + route;
    }
    return "not copied " + route + because(item.reason, item.detail);
}

std::string describeFileForLog(const FileFailure& failure)
{
    return "  not copied " + shownPath(failure.relativePath) + because(failure.reason, failure.detail);
}

} // namespace rv
