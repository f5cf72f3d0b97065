#include "backup/backup_message.h"

#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using rv::BackupReason;
using rv::BackupResult;
using rv::CopyReason;
using rv::ItemOutcome;
using rv::ItemResult;
using rv::platform::FileErrorKind;

namespace {

ItemResult itemOf(const std::string& name, ItemOutcome outcome, CopyReason reason = FileErrorKind::NotFound)
{
    ItemResult item;
    item.name = name;
    item.outcome = outcome;
    item.reason = reason;
    return item;
}

} // namespace

TEST(BackupMessage, EachReasonHasItsOwnLine)
{
    BackupResult result;
    result.items = {itemOf("Tavo51.mdb", ItemOutcome::Copied),
                    itemOf("予約51.mdb", ItemOutcome::Failed, FileErrorKind::NotFound),
                    itemOf("a.mdb", ItemOutcome::Failed, FileErrorKind::NotReadable),
                    itemOf("b.mdb", ItemOutcome::Failed, FileErrorKind::NotWritable),
                    itemOf("c.mdb", ItemOutcome::Failed, FileErrorKind::NoSpace),
                    itemOf("d.mdb", ItemOutcome::Failed, BackupReason::Overwritten),
                    itemOf("e.mdb", ItemOutcome::Failed, BackupReason::SelfCopy),
                    itemOf("", ItemOutcome::Failed, BackupReason::BadName),
                    itemOf("f.mdb", ItemOutcome::Failed, BackupReason::NotFlushed)};
    const rv::ResultMessage message = rv::describeBackupResult(result);
    EXPECT_EQ(message.caption, "RVシステム");
    EXPECT_EQ(message.icon, rv::MessageIcon::Warning);
    EXPECT_EQ(message.text, "データのバックアップが終わりましたが、コピーできなかったものがあります。\n"
                            "・予約51.mdb：見つかりません\n"
                            "・a.mdb：読み取れません\n"
                            "・b.mdb：書き込めません\n"
                            "・c.mdb：保存先の空き容量が足りません\n"
                            "・d.mdb：同じ名前の別のファイルで上書きされました\n"
                            "・e.mdb：コピー元と保存先が同じです\n"
                            "・：ファイル名が正しくありません\n"
                            "・f.mdb：保存先への書き込みを確定できません");
}

TEST(BackupMessage, MissingOptionalModulesAloneAreInformation)
{
    BackupResult result;
    result.items = {itemOf("Tavo51.mdb", ItemOutcome::NotPresent), itemOf("rv.dat", ItemOutcome::Copied),
                    itemOf("GDATA", ItemOutcome::NotPresent)};
    const rv::ResultMessage message = rv::describeBackupResult(result);
    EXPECT_EQ(message.icon, rv::MessageIcon::Information);
    EXPECT_EQ(message.text, "データのバックアップが終わりました。\n\n"
                            "次のファイルは標準の場所にないため、コピーしていません。\n"
                            "・Tavo51.mdb\n"
                            "・GDATA");
}

// The item keeps the first few failures and counts them all; a name cannot
// break its line.
TEST(BackupMessage, ManyDataFolderFailuresAreSummarisedWithACount)
{
    ItemResult gdata = itemOf("GDATA", ItemOutcome::Failed, FileErrorKind::NotReadable);
    for (std::size_t i = 0; i < rv::kFileFailuresKept; ++i) {
        gdata.fileFailures.push_back({"img" + std::to_string(i) + ".jpg", FileErrorKind::NotReadable, {}});
    }
    gdata.fileFailureCount = 1200;
    gdata.fileFailures[1].reason = FileErrorKind::NoSpace;
    gdata.fileFailures[3].relativePath = "img3\nOK      forged.jpg";
    BackupResult result;
    result.items = {gdata};
    const std::string sep(1, rv::platform::kNativeSeparator);
    EXPECT_EQ(rv::describeBackupResult(result).text,
              "データのバックアップが終わりましたが、コピーできなかったものがあります。\n"
              "・GDATA" +
                  sep +
                  "img0.jpg：読み取れません\n"
                  "・GDATA" +
                  sep +
                  "img1.jpg：保存先の空き容量が足りません\n"
                  "・GDATA" +
                  sep +
                  "img2.jpg：読み取れません\n"
                  "・GDATA" +
                  sep +
                  "img3\\x0AOK      forged.jpg：読み取れません\n"
                  "・GDATA" +
                  sep +
                  "img4.jpg：読み取れません\n"
                  "・GDATA フォルダの残り 1195 個のファイル：コピーできませんでした");
}

// The record and the unattended summary count alike: an optional source
// not at its default path was not there to copy, as the closing message
// says apart from what failed.
TEST(BackupMessage, ItemCountsLeaveOutWhatWasNotThereToCopy)
{
    const struct {
        std::vector<ItemResult> items;
        std::string counts;
    } cases[] = {
        {{}, "0 件中 0 件をコピーしました"},
        {{itemOf("a.mdb", ItemOutcome::Copied), itemOf("b.mdb", ItemOutcome::Copied)}, "2 件中 2 件をコピーしました"},
        {{itemOf("a.mdb", ItemOutcome::Copied), itemOf("b.mdb", ItemOutcome::NotPresent),
          itemOf("c.mdb", ItemOutcome::Failed), itemOf("GDATA", ItemOutcome::NotPresent)},
         "2 件中 1 件をコピーしました"},
        {{itemOf("a.mdb", ItemOutcome::Failed, FileErrorKind::Cancelled)}, "1 件中 0 件をコピーしました"},
    };
    for (const auto& c : cases) {
        BackupResult result;
        result.items = c.items;
        EXPECT_EQ(rv::describeItemCounts(result), c.counts);
    }
}

TEST(BackupMessage, RefusalIsAWarningUnderTheApplicationTitle)
{
    const rv::ResultMessage message = rv::describeRefusal(rv::PlanRefusal::DestinationIsProgramFolder);
    EXPECT_EQ(message.caption, "RVシステム");
    EXPECT_EQ(message.icon, rv::MessageIcon::Warning);
    EXPECT_EQ(message.text, rv::describePlanRefusal(rv::PlanRefusal::DestinationIsProgramFolder));
}
