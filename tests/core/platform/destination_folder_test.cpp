// The destination reached from the chosen folder one name at a time: a link
// on the way is replaced where a folder is made, and never passed through
// where a copy is put in place.
#include "platform/destination_folder.h"
#include "platform/file_copy.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

using rv::platform::DestinationFolder;
using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

class DestinationFolderTest : public ::testing::Test {
protected:
    DestinationFolderTest() { writeFile(victim.path() / "kept.txt", "the victim's"); }

    // A complete copy of content waiting in the folder GDATA/写真 to become "b.jpg".
    rv::platform::PendingFile waitingCopy(const std::string& content)
    {
        writeFile(sources.path() / "b.jpg", content);
        auto made = root.makeFolder("GDATA");
        EXPECT_TRUE(made.ok());
        auto inside = made.value().folder.makeFolder("写真");
        EXPECT_TRUE(inside.ok());
        auto source = rv::platform::SourceFile::open(u8string(sources.path() / "b.jpg"));
        EXPECT_TRUE(source.ok());
        auto copy = copier.copyToTemporary(source.value(), inside.value().folder, "b.jpg", {});
        EXPECT_TRUE(copy.ok());
        return copy.value();
    }

    TempFolder backup;
    TempFolder victim;
    TempFolder sources;
    DestinationFolder root = DestinationFolder::openChosen(backup.str()).value();
    rv::platform::FileCopier copier;
};

} // namespace

TEST_F(DestinationFolderTest, ALinkWhereAFolderGoesIsReplacedAndWhatItPointsToIsLeftAlone)
{
    fs::create_directory_symlink(victim.path(), backup.path() / "GDATA");
    auto made = root.makeFolder("GDATA");

    ASSERT_TRUE(made.ok()) << made.error().detail;
    EXPECT_TRUE(made.value().created);
    ASSERT_TRUE(made.value().replacedLink);
    EXPECT_EQ(*made.value().replacedLink, victim.str());
    EXPECT_FALSE(fs::is_symlink(backup.path() / "GDATA"));
    EXPECT_EQ(listAll(victim.path()), std::vector<std::string>{"kept.txt"});
}

TEST_F(DestinationFolderTest, AFileWhereAFolderGoesStaysAndTheFolderFails)
{
    writeFile(backup.path() / "GDATA", "the clinic's own file");
    EXPECT_FALSE(root.makeFolder("GDATA").ok());
    EXPECT_FALSE(root.makeFolder("..").ok());
    EXPECT_EQ(readFile(backup.path() / "GDATA"), "the clinic's own file");
}

// Swapped for a link after the copy was made there: the copy is not put
// through it, and nothing reaches the victim.
TEST_F(DestinationFolderTest, AFolderSwappedForALinkBeforeTheCopyIsPutInPlaceIsNotPassedThrough)
{
    const auto copy = waitingCopy("new picture");
    fs::rename(backup.path() / "GDATA" / u8path("写真"), backup.path() / "moved away");
    fs::create_directory_symlink(victim.path(), backup.path() / "GDATA" / u8path("写真"));

    EXPECT_FALSE(rv::platform::commit(root, copy).ok());
    // Nor is it removed through the link: the run names it as left behind.
    EXPECT_FALSE(rv::platform::discard(root, copy).ok());
    EXPECT_EQ(listAll(victim.path()), std::vector<std::string>{"kept.txt"});
    EXPECT_EQ(listAll(backup.path() / "moved away").size(), 1u);
}

TEST_F(DestinationFolderTest, ALinkAtTheTargetsNameIsReplacedNotWrittenThrough)
{
    const auto copy = waitingCopy("new picture");
    fs::create_symlink(victim.path() / "kept.txt", backup.path() / "GDATA" / u8path("写真") / "b.jpg");

    ASSERT_TRUE(rv::platform::commit(root, copy).ok());
    EXPECT_FALSE(fs::is_symlink(backup.path() / "GDATA" / u8path("写真") / "b.jpg"));
    EXPECT_EQ(readFile(backup.path() / "GDATA" / u8path("写真") / "b.jpg"), "new picture");
    EXPECT_EQ(readFile(victim.path() / "kept.txt"), "the victim's");
}
