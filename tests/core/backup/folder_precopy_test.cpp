// The data folder's small files copied ahead, taken at the folder's turn.
#include "backup/folder_precopy.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace fs = std::filesystem;
using rv::CopyStep;
using rv::FolderPrecopy;
using rv::StepKind;
using namespace rv::testing;

namespace {

class FolderPrecopyTest : public ::testing::Test {
protected:
    FolderPrecopyTest()
    {
        writeFile(source.path() / "a.txt", "alpha");
        writeFile(source.path() / u8path("写真/b.jpg"), "bravo");
        writeFile(source.path() / "c.txt", "charlie");
        writeFile(source.path() / u8path("動画.mp4"), std::string(std::size_t{1} << 20, 'v'));
        auto listed = rv::platform::listTree(source.str());
        EXPECT_TRUE(listed.ok());
        listing = listed.value();
        step = {StepKind::Folder, "GDATA", source.str(), u8string(backup.path() / "GDATA"), false, {}, {}};
    }

    // Takes every entry in the listing's order, as the run does, but for
    // those named in skip; the ready copies taken, by relative path.
    std::map<std::string, rv::platform::PendingFile> takeAll(FolderPrecopy& precopy,
                                                             const std::set<std::string>& skip = {})
    {
        std::map<std::string, rv::platform::PendingFile> taken;
        for (std::size_t i = 0; i < listing.entries.size(); ++i) {
            std::string relative = listing.entries[i].relativePath;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            if (skip.count(relative) == 0) {
                if (auto ready = precopy.take(i)) {
                    taken[relative] = *ready;
                }
            }
        }
        return taken;
    }

    // What is in the destination folder, temporary copies included.
    std::vector<std::string> leftInDestination() const { return listAll(backup.path() / "GDATA"); }

    TempFolder source;
    TempFolder backup;
    rv::platform::TreeListing listing;
    CopyStep step;
    std::atomic<bool> cancel{false};
};

} // namespace

TEST_F(FolderPrecopyTest, SmallFilesAreReadyAndWhatIsNotTakenIsRemoved)
{
    FolderPrecopy precopy(step, listing, cancel);
    precopy.finish();

    // Folders and large files are left for the folder's turn; c.txt is passed
    // over, as a cancel would.
    const auto taken = takeAll(precopy, {"c.txt"});
    ASSERT_EQ(taken.size(), 2u);
    ASSERT_EQ(taken.count("a.txt"), 1u);
    ASSERT_EQ(taken.count("写真/b.jpg"), 1u);
    EXPECT_EQ(readFile(u8path(taken.at("a.txt").temporaryPath)), "alpha");
    EXPECT_EQ(taken.at("a.txt").bytes, 5u);
    EXPECT_EQ(readFile(u8path(taken.at("写真/b.jpg").temporaryPath)), "bravo");
    EXPECT_TRUE(precopy.discardRest().empty());
    EXPECT_EQ(leftInDestination().size(), 2u); // the two taken, which the caller now owns
}

TEST_F(FolderPrecopyTest, ASourceChangedOrGoneSinceItsCopyIsCopiedAgainAtItsTurn)
{
    FolderPrecopy precopy(step, listing, cancel);
    precopy.finish();
    std::ofstream(source.path() / "a.txt", std::ios::binary | std::ios::app) << " and more";
    fs::remove(source.path() / "c.txt");

    const auto taken = takeAll(precopy);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken.count("写真/b.jpg"), 1u);
    EXPECT_TRUE(precopy.discardRest().empty());
    EXPECT_EQ(leftInDestination().size(), 1u); // b's copy only
}

TEST_F(FolderPrecopyTest, ARunThatNeverReachedTheFolderLeavesNothingOfIt)
{
    FolderPrecopy precopy(step, listing, cancel);
    precopy.finish();
    ASSERT_TRUE(fs::exists(backup.path() / "GDATA"));
    EXPECT_TRUE(precopy.abandon().empty());
    EXPECT_FALSE(fs::exists(backup.path() / "GDATA"));
}

TEST_F(FolderPrecopyTest, AnEarlierBackupsFolderIsKeptAndAtMostOneBatchIsCopiedAhead)
{
    writeFile(backup.path() / "GDATA" / "old.txt", "last week");
    FolderPrecopy precopy(step, listing, cancel, {2, std::uint64_t{1} << 30});
    precopy.finish();
    EXPECT_EQ(leftInDestination().size(), 3u); // old.txt and two copies

    EXPECT_TRUE(precopy.abandon().empty());
    EXPECT_EQ(leftInDestination(), std::vector<std::string>{"old.txt"});
}

TEST_F(FolderPrecopyTest, NothingIsCopiedAheadOnceTheRunIsCancelled)
{
    cancel = true;
    FolderPrecopy precopy(step, listing, cancel);
    precopy.finish();
    EXPECT_TRUE(takeAll(precopy).empty());
    EXPECT_TRUE(leftInDestination().empty());
}
