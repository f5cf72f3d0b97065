// The data folder's small files copied ahead, taken at the folder's turn.
#include "backup/folder_precopy.h"

#include "support/digest_of.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace fs = std::filesystem;
using rv::FolderPrecopy;
using rv::platform::DestinationFolder;
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
    }

    // Walks the source as the run does at the folder's turn and takes every
    // file but those named in skip; the ready copies taken, by relative path.
    std::map<std::string, rv::platform::PendingFile> takeAll(FolderPrecopy& precopy,
                                                             const std::set<std::string>& skip = {})
    {
        std::map<std::string, rv::platform::PendingFile> taken;
        auto walk = rv::platform::SourceWalk::open(source.str());
        EXPECT_TRUE(walk.ok());
        while (const rv::platform::WalkStep* step = walk.value().next()) {
            std::string relative = step->relativePath;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            if (step->kind == rv::platform::WalkStepKind::File && skip.count(relative) == 0) {
                if (auto ready = precopy.take(step->relativePath, step->stamp)) {
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
    DestinationFolder root = DestinationFolder::openChosen(backup.str()).value();
    DestinationFolder into = root.makeFolder("GDATA").value().folder;
    std::atomic<bool> cancel{false};
};

} // namespace

TEST_F(FolderPrecopyTest, SmallFilesAreReadyAndWhatIsNotTakenIsRemoved)
{
    FolderPrecopy precopy(root, into, source.str(), cancel);
    precopy.finish();

    // Folders and large files are left for the folder's turn; c.txt is passed
    // over, as a cancel would.
    const auto taken = takeAll(precopy, {"c.txt"});
    ASSERT_EQ(taken.size(), 2u);
    ASSERT_EQ(taken.count("a.txt"), 1u);
    ASSERT_EQ(taken.count("写真/b.jpg"), 1u);
    EXPECT_EQ(readFile(u8path(root.pathOf(taken.at("a.txt").temporaryPath))), "alpha");
    EXPECT_EQ(taken.at("a.txt").bytes, 5u);
    EXPECT_EQ(readFile(u8path(root.pathOf(taken.at("写真/b.jpg").temporaryPath))), "bravo");
    EXPECT_TRUE(precopy.discardRest().empty());
    EXPECT_EQ(leftInDestination().size(), 2u); // the two taken, which the caller now owns
}

TEST_F(FolderPrecopyTest, ASourceChangedOrGoneSinceItsCopyIsCopiedAgainAtItsTurn)
{
    FolderPrecopy precopy(root, into, source.str(), cancel);
    precopy.finish();
    std::ofstream(source.path() / "a.txt", std::ios::binary | std::ios::app) << " and more";
    fs::remove(source.path() / "c.txt");

    const auto taken = takeAll(precopy);
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken.count("写真/b.jpg"), 1u);
    EXPECT_TRUE(precopy.discardRest().empty());
    EXPECT_EQ(leftInDestination().size(), 1u); // b's copy only
}

TEST_F(FolderPrecopyTest, AnEarlierBackupsFilesAreKeptAndAtMostOneBatchIsCopiedAhead)
{
    writeFile(backup.path() / "GDATA" / "old.txt", "last week");
    FolderPrecopy precopy(root, into, source.str(), cancel, {2, std::uint64_t{1} << 30});
    precopy.finish();
    EXPECT_EQ(leftInDestination().size(), 3u); // old.txt and two copies

    EXPECT_TRUE(precopy.discardRest().empty());
    EXPECT_EQ(leftInDestination(), std::vector<std::string>{"old.txt"});
}

TEST_F(FolderPrecopyTest, NothingIsCopiedAheadOnceTheRunIsCancelled)
{
    cancel = true;
    FolderPrecopy precopy(root, into, source.str(), cancel);
    precopy.finish();
    EXPECT_TRUE(takeAll(precopy).empty());
    EXPECT_TRUE(leftInDestination().empty());
}

TEST_F(FolderPrecopyTest, AFileThatMayBeUnchangedIsCheckedAheadNotCopied)
{
    using Ahead = FolderPrecopy::Ahead;
    writeFile(backup.path() / "GDATA" / u8path("写真/b.jpg"), "bravo"); // last night's copy
    writeFile(backup.path() / "GDATA" / "c.txt", "charles");
    FolderPrecopy precopy(root, into, source.str(), cancel, {}, [](const std::string& relative, std::uint64_t) {
        std::string name = relative;
        std::replace(name.begin(), name.end(), '\\', '/');
        return name == "a.txt"                           ? Ahead::Check
               : name == "写真/b.jpg" || name == "c.txt" ? Ahead::CheckAndReadBack
                                                         : Ahead::Copy;
    });
    precopy.finish();
    std::ofstream(source.path() / "c.txt", std::ios::binary | std::ios::app) << "!"; // changed since its check

    std::map<std::string, rv::CheckedAhead> checked;
    auto walk = rv::platform::SourceWalk::open(source.str());
    ASSERT_TRUE(walk.ok());
    while (const rv::platform::WalkStep* step = walk.value().next()) {
        std::string relative = step->relativePath;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        EXPECT_FALSE(precopy.take(step->relativePath, step->stamp)) << relative; // nothing checked was copied
        if (auto found = precopy.takeChecked(step->relativePath, step->stamp)) {
            checked[relative] = *found;
        }
    }
    ASSERT_EQ(checked.size(), 2u); // not c.txt, whose check is out of date
    EXPECT_EQ(checked.at("a.txt").source, digestOf("alpha"));
    EXPECT_FALSE(checked.at("a.txt").copy); // not asked for; there is no copy to read either
    EXPECT_EQ(checked.at("写真/b.jpg").source, digestOf("bravo"));
    EXPECT_EQ(checked.at("写真/b.jpg").copy, digestOf("bravo"));
    EXPECT_TRUE(precopy.discardRest().empty());
    EXPECT_EQ(leftInDestination().size(), 3u) << "the earlier copies and their folder, untouched";
}
