#include "restore/restore_flow.h"

#include "support/fake_restore_service.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using rv::RestoreEnd;
using rv::RestoreFlow;
using rv::RestoreRefusal;
using rv::testing::FakeRestoreService;

namespace {

using Steps = std::vector<std::string>;

// Writes down what the flow asked of the window, in order, and answers as
// the test says.
class RecordingFrontEnd final : public rv::RestoreFrontEnd {
public:
    std::optional<std::string> chooseFolder() override
    {
        steps.emplace_back("choose");
        return nextFolder;
    }
    void showFolder(const std::string& folder) override { steps.push_back("folder " + folder); }
    void showGenerations(const std::vector<rv::GenerationLine>& shown) override
    {
        steps.push_back("generations " + std::to_string(shown.size()));
        lines = shown;
    }
    void showPreview(const std::optional<rv::PreviewText>& shown) override
    {
        steps.emplace_back(!shown ? "no preview" : shown->restorable ? "preview" : "preview refused");
        preview = shown;
    }
    void refuse(const rv::ResultMessage& why) override
    {
        steps.emplace_back("refuse");
        boxes.push_back(why);
    }
    bool confirm(const rv::ResultMessage& question) override
    {
        steps.emplace_back("confirm");
        boxes.push_back(question);
        return answerYes;
    }
    rv::RestoreJob::Hooks jobHooks() override
    {
        rv::RestoreJob::Hooks hooks;
        hooks.log = [this](rv::LogLevel level, const std::string& line) { log(level, line); };
        return hooks;
    }
    void waitForTheJob(rv::RestoreJob& job) override
    {
        steps.emplace_back("wait");
        if (duringRun) {
            duringRun(job);
        }
        while (!job.waitFor(std::chrono::milliseconds(20))) {
        }
    }
    void showOutcome(const rv::ResultMessage& outcome) override
    {
        steps.emplace_back("outcome");
        boxes.push_back(outcome);
    }
    void endAfterClose() override { steps.emplace_back("end"); }
    void log(rv::LogLevel /*level*/, const std::string& line) override
    {
        const std::lock_guard lock(logMutex_);
        logLines.push_back(line);
    }

    std::optional<std::string> nextFolder = std::string("/media/bk");
    bool answerYes = false;
    std::function<void(rv::RestoreJob&)> duringRun;

    Steps steps;
    std::vector<rv::GenerationLine> lines;
    std::optional<rv::PreviewText> preview;
    std::vector<rv::ResultMessage> boxes;
    std::vector<std::string> logLines;

private:
    std::mutex logMutex_;
};

class RestoreFlowTest : public ::testing::Test {
protected:
    // The folder chosen and the earlier generation (row 1) picked.
    void pickEarlier()
    {
        flow_.chooseFolder();
        flow_.chooseGeneration(1);
        frontEnd_.steps.clear();
    }

    FakeRestoreService service_;
    RecordingFrontEnd frontEnd_;
    RestoreFlow flow_{service_, frontEnd_};
};

TEST_F(RestoreFlowTest, CancelAtThePickerChangesNothing)
{
    frontEnd_.nextFolder.reset();
    flow_.chooseFolder();
    EXPECT_EQ(frontEnd_.steps, Steps{"choose"});
    EXPECT_TRUE(service_.calls.empty());
    EXPECT_EQ(flow_.restore(), RestoreEnd::NothingToRun);
    EXPECT_EQ(frontEnd_.steps, Steps{"choose"});
}

TEST_F(RestoreFlowTest, GenerationsAreShownOneLineEachAndAPickShowsItsPreview)
{
    frontEnd_.nextFolder = std::string("/media/bk\0\0\0", 12);
    flow_.chooseFolder();
    EXPECT_EQ(frontEnd_.steps, (Steps{"choose", "folder /media/bk", "generations 2", "no preview"}));
    EXPECT_FALSE(flow_.canRestore());
    ASSERT_EQ(frontEnd_.lines.size(), 2U);
    EXPECT_EQ(frontEnd_.lines[0].when, "2026-12-08 18:30:05（最新）");
    EXPECT_EQ(frontEnd_.lines[0].size, "3 個　3.0 MB");
    EXPECT_EQ(frontEnd_.lines[1].result, "不完全：コピーできなかったものがあります。");

    flow_.chooseGeneration(1);
    EXPECT_EQ(service_.calls.back(), "preview /media/bk 2026-12-07 18-30-00");
    ASSERT_TRUE(frontEnd_.preview);
    EXPECT_EQ(frontEnd_.preview->replaced.size(), 2U);
    EXPECT_NE(frontEnd_.preview->summary.find("置き換わるファイル 2 個"), std::string::npos);
    EXPECT_TRUE(flow_.canRestore());
}

TEST_F(RestoreFlowTest, ARefusalIsShownAndLeavesNothingToRestore)
{
    service_.listed = FakeRestoreService::Generations::failure(
        {RestoreRefusal::Why::NoBackup, "このフォルダにはバックアップがありません：/media/bk"});
    flow_.chooseFolder();
    EXPECT_EQ(frontEnd_.steps, (Steps{"choose", "folder /media/bk", "generations 0", "no preview", "refuse"}));
    EXPECT_EQ(frontEnd_.boxes.at(0).text, "このフォルダにはバックアップがありません：/media/bk");
    EXPECT_EQ(flow_.restore(), RestoreEnd::NothingToRun);
}

TEST_F(RestoreFlowTest, AGenerationThatCannotBeRestoredSaysWhyInItsPreview)
{
    service_.previewed =
        FakeRestoreService::Preview::failure({RestoreRefusal::Why::DatabaseOpen, "予約51.mdb が使用中です。"});
    pickEarlier();
    ASSERT_TRUE(frontEnd_.preview);
    EXPECT_FALSE(frontEnd_.preview->restorable);
    EXPECT_NE(frontEnd_.preview->summary.find("予約51.mdb が使用中です。"), std::string::npos);
    EXPECT_EQ(flow_.restore(), RestoreEnd::NothingToRun);
    EXPECT_EQ(service_.restoreCalls(), 0U);
}

TEST_F(RestoreFlowTest, NoAtTheQuestionTouchesNothing)
{
    pickEarlier();
    EXPECT_EQ(flow_.restore(), RestoreEnd::Declined);
    EXPECT_EQ(frontEnd_.steps, Steps{"confirm"});
    EXPECT_EQ(service_.restoreCalls(), 0U);
    const std::string& question = frontEnd_.boxes.at(0).text;
    EXPECT_NE(question.find("2026-12-07 18:30:00 のバックアップを復元します。"), std::string::npos);
    EXPECT_NE(question.find("今あるファイル 2 個が置き換わります。"), std::string::npos);
    EXPECT_NE(question.find("「復元前」"), std::string::npos);
}

TEST_F(RestoreFlowTest, YesRestoresThePickedGenerationAndShowsTheOutcome)
{
    frontEnd_.answerYes = true;
    pickEarlier();
    EXPECT_EQ(flow_.restore(), RestoreEnd::Finished);
    EXPECT_EQ(frontEnd_.steps, (Steps{"confirm", "wait", "outcome"}));
    EXPECT_EQ(service_.calls.back(), "restore /media/bk 2026-12-07 18-30-00");
    EXPECT_FALSE(service_.sawCancel);
    const rv::ResultMessage& outcome = frontEnd_.boxes.back();
    EXPECT_EQ(outcome.icon, rv::MessageIcon::Information);
    EXPECT_EQ(outcome.text, "データの復元が終わりました。\n\n置き換える前のファイルは次の場所に残してあります：\n"
                            "/rv/復元前/2026-12-09 18時00分");
}

TEST_F(RestoreFlowTest, TheRestoresProgressIsShownAndACancelReachesTheService)
{
    frontEnd_.answerYes = true;
    service_.untilCancelled = true;
    service_.outcome = {rv::kRestoreNotAll, false, "復元を中止しました。", {"/rv/GDATA/カルテ.txt：中止"}, ""};
    std::optional<rv::ProgressText> progress;
    frontEnd_.duringRun = [&progress](rv::RestoreJob& job) {
        // The service_ waits for the cancel, so its progress comes first.
        while (!progress && !job.waitFor(std::chrono::milliseconds(5))) {
            progress = job.takeProgress();
        }
        job.cancel();
        EXPECT_FALSE(job.takeProgress()); // the window says that it is stopping instead
    };
    pickEarlier();
    EXPECT_EQ(flow_.restore(), RestoreEnd::Finished);
    EXPECT_TRUE(service_.sawCancel);
    ASSERT_TRUE(progress);
    EXPECT_EQ(progress->item, "予約51.mdb を復元しています");
    EXPECT_EQ(progress->counts, "ファイル 1 / 3 個　　0.0 MB / 0.0 MB");
    EXPECT_EQ(progress->permille, 250);
    const rv::ResultMessage& outcome = frontEnd_.boxes.back();
    EXPECT_EQ(outcome.icon, rv::MessageIcon::Warning);
    EXPECT_EQ(outcome.text, "復元を中止しました。\n\n復元できなかったファイル：\n/rv/GDATA/カルテ.txt：中止");
}

TEST_F(RestoreFlowTest, ClosingDuringTheRestoreCancelsItAndEndsTheWindow)
{
    frontEnd_.answerYes = true;
    service_.untilCancelled = true;
    frontEnd_.duringRun = [this](rv::RestoreJob& /*job*/) {
        EXPECT_FALSE(flow_.requestClose());
        EXPECT_EQ(flow_.restore(), RestoreEnd::Busy);
    };
    pickEarlier();
    EXPECT_EQ(flow_.restore(), RestoreEnd::Closed);
    EXPECT_TRUE(service_.sawCancel);
    EXPECT_EQ(frontEnd_.steps, (Steps{"confirm", "wait", "end"}));
    EXPECT_TRUE(flow_.requestClose());
}

} // namespace
