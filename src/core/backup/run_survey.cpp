#include "backup/run_survey.h"

#include "platform/file_system.h"
#include "platform/source_tree.h"

namespace rv {
namespace {

StepSurvey surveyFile(const CopyStep& step)
{
    auto info = platform::inspect(step.source);
    if (info.ok() && info.value().kind == platform::EntryKind::File) {
        return {1, info.value().size};
    }
    return {};
}

StepSurvey surveyFolder(const CopyStep& step, const std::atomic<bool>& cancel)
{
    StepSurvey survey;
    auto walk = platform::SourceWalk::open(step.source);
    while (walk.ok() && !cancel.load()) {
        const platform::WalkStep* entry = walk.value().next();
        if (entry == nullptr) {
            break;
        }
        if (entry->kind == platform::WalkStepKind::File) {
            ++survey.files;
            survey.bytes += entry->stamp.size;
        }
    }
    return survey;
}

} // namespace

std::vector<StepSurvey> survey(const BackupPlan& plan, const std::atomic<bool>& cancel)
{
    std::vector<StepSurvey> surveys(plan.steps.size());
    for (std::size_t i = 0; i < plan.steps.size() && !cancel.load(); ++i) {
        const CopyStep& step = plan.steps[i];
        if (!step.problem) {
            surveys[i] = step.kind == StepKind::File ? surveyFile(step) : surveyFolder(step, cancel);
        }
    }
    return surveys;
}

StepSurvey total(const std::vector<StepSurvey>& surveys)
{
    StepSurvey sum;
    for (const StepSurvey& survey : surveys) {
        sum.files += survey.files;
        sum.bytes += survey.bytes;
    }
    return sum;
}

} // namespace rv
