// Batches of complete copies put in place on a thread of their own.
#include "backup/copy_committer.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

namespace fs = std::filesystem;
using rv::CopyCommitter;
using rv::PendingCopy;
using rv::SettledCopy;
using rv::platform::FileErrorKind;
using namespace rv::testing;

namespace {

class CopyCommitterTest : public ::testing::Test {
protected:
    // A complete copy of content waiting under its temporary name beside target.
    PendingCopy pendingCopy(const std::string& target, const std::string& content, std::size_t step)
    {
        const fs::path source = sources.path() / ("source" + std::to_string(made++));
        writeFile(source, content);
        auto file = rv::platform::SourceFile::open(u8string(source));
        EXPECT_TRUE(file.ok());
        auto copied = copier.copyToTemporary(file.value(), root, target, {});
        EXPECT_TRUE(copied.ok());
        return {copied.ok() ? copied.value() : rv::platform::PendingFile{}, step, target};
    }

    std::vector<std::string> temporaryFiles() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::recursive_directory_iterator(destination.path())) {
            if (entry.path().filename().string().rfind(".rvtmp-", 0) == 0) {
                found.push_back(entry.path().string());
            }
        }
        return found;
    }

    TempFolder sources;
    TempFolder destination;
    rv::platform::DestinationFolder root = rv::platform::DestinationFolder::openChosen(destination.str()).value();
    rv::platform::FileCopier copier;
    int made = 0;
};

} // namespace

TEST_F(CopyCommitterTest, BatchesArePutInPlaceInTheOrderTheyCameAndTheLastOfOneNameWins)
{
    auto flusher = rv::platform::WriteFlusher::open(destination.str());
    ASSERT_TRUE(flusher.ok());
    std::vector<std::size_t> settledSteps;
    CopyCommitter committer(root, std::move(flusher.value()),
                            [&](SettledCopy& settled) {
                                EXPECT_FALSE(settled.failure) << settled.failure->detail;
                                settledSteps.push_back(settled.copy.step);
                            },
                            {2, std::uint64_t{1} << 30});
    // Seven copies make four batches; "same.mdb" is written in the first and
    // again in the last, as two items of one name are.
    committer.add(pendingCopy("same.mdb", "first", 0));
    for (std::size_t step = 1; step < 6; ++step) {
        committer.add(pendingCopy("file" + std::to_string(step), "content " + std::to_string(step), step));
    }
    committer.add(pendingCopy("same.mdb", "last", 6));
    committer.settleAll();

    EXPECT_EQ(settledSteps, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(readFile(destination.path() / "same.mdb"), "last");
    for (std::size_t step = 1; step < 6; ++step) {
        EXPECT_EQ(readFile(destination.path() / ("file" + std::to_string(step))), "content " + std::to_string(step));
    }
    EXPECT_TRUE(temporaryFiles().empty());
}

// A failure is final at once; a copy put in place is settled only once a
// flush has got its rename onto the device too.
TEST_F(CopyCommitterTest, ACopyThatCannotTakeItsPlaceIsNamedAndTheRestOfItsBatchStillGoes)
{
    auto flusher = rv::platform::WriteFlusher::open(destination.str());
    ASSERT_TRUE(flusher.ok());
    // A folder with something in it where the copy should go: no rename replaces it.
    writeFile(destination.path() / "blocked" / "inside.txt", "kept");
    std::map<std::size_t, SettledCopy> settled;
    CopyCommitter committer(root, std::move(flusher.value()),
                            [&](SettledCopy& copy) { settled.emplace(copy.copy.step, copy); });
    committer.add(pendingCopy("before", "b", 0));
    committer.add(pendingCopy("blocked", "x", 1));
    committer.add(pendingCopy("after", "a", 2));
    committer.finish();
    EXPECT_EQ(settled.size(), 1u);
    EXPECT_EQ(readFile(destination.path() / "after"), "a");
    committer.settleAll();

    ASSERT_EQ(settled.size(), 3u);
    EXPECT_FALSE(settled[0].failure);
    ASSERT_TRUE(settled[1].failure);
    EXPECT_EQ(settled[1].failure->reason, FileErrorKind::NotWritable);
    EXPECT_FALSE(settled[2].failure);
    EXPECT_EQ(readFile(destination.path() / "blocked" / "inside.txt"), "kept");
    EXPECT_EQ(readFile(destination.path() / "after"), "a");
    EXPECT_TRUE(temporaryFiles().empty());
}

// A run that ends without finish (an exception out of a callback): the batch
// in flight goes through, and the copies that never went out are removed.
TEST_F(CopyCommitterTest, ACommitterEndedWithoutFinishRemovesTheCopiesThatNeverWentOut)
{
    writeFile(destination.path() / "waiting", "the earlier copy");
    std::size_t settledCount = 0;
    {
        auto flusher = rv::platform::WriteFlusher::open(destination.str());
        ASSERT_TRUE(flusher.ok());
        CopyCommitter committer(root, std::move(flusher.value()), [&](SettledCopy&) { ++settledCount; },
                                {2, std::uint64_t{1} << 30});
        committer.add(pendingCopy("first", "1", 0));
        committer.add(pendingCopy("second", "2", 1)); // the batch of two goes out
        committer.add(pendingCopy("waiting", "new", 2));
        EXPECT_TRUE(committer.hasPending());
    }
    EXPECT_EQ(settledCount, 0u); // nobody is told any more
    EXPECT_EQ(readFile(destination.path() / "first"), "1");
    EXPECT_EQ(readFile(destination.path() / "second"), "2");
    EXPECT_EQ(readFile(destination.path() / "waiting"), "the earlier copy");
    EXPECT_TRUE(temporaryFiles().empty());
}

// On a disk that ignores case (every Windows disk, exFAT and FAT sticks), a
// second name that differs only in case leads to the file this run put in
// place: it is named as not copied rather than take the first one's place.
// An earlier backup's file under another spelling is replaced as ever. A
// name the disk cannot hold is named as such.
TEST_F(CopyCommitterTest, NamesTheDestinationTakesAsOneOfThisRunsFilesOrCannotHoldAreNotPutInPlace)
{
    // What this destination does, as it says itself.
    writeFile(destination.path() / "probe", "");
    const bool ignoresCase = fs::exists(destination.path() / "PROBE");
    fs::remove(destination.path() / "probe");
    const bool holdsBar = std::ofstream(destination.path() / "probe|").good();
    fs::remove(destination.path() / "probe|");
    writeFile(destination.path() / "earlier.txt", "the earlier copy");
    auto flusher = rv::platform::WriteFlusher::open(destination.str());
    ASSERT_TRUE(flusher.ok());
    std::map<std::size_t, SettledCopy> settled;
    CopyCommitter committer(root, std::move(flusher.value()),
                            [&](SettledCopy& copy) { settled.emplace(copy.copy.step, copy); },
                            {2, std::uint64_t{1} << 30});
    committer.add(pendingCopy("Report.txt", "upper", 0));
    committer.add(pendingCopy("other.txt", "other", 1));
    committer.add(pendingCopy("report.txt", "lower", 2)); // in the next batch
    committer.add(pendingCopy("EARLIER.TXT", "new", 3));
    committer.add(pendingCopy("a|b.txt", "bar", 4));
    committer.settleAll();

    ASSERT_EQ(settled.size(), 5u);
    if (holdsBar) {
        EXPECT_EQ(readFile(destination.path() / "a|b.txt"), "bar");
    } else {
        ASSERT_TRUE(settled[4].failure);
        EXPECT_EQ(settled[4].failure->reason, FileErrorKind::InvalidName) << settled[4].failure->detail;
    }
    EXPECT_FALSE(settled[0].failure);
    EXPECT_FALSE(settled[3].failure);
    EXPECT_EQ(readFile(destination.path() / "Report.txt"), "upper");
    EXPECT_EQ(readFile(destination.path() / "EARLIER.TXT"), "new");
    if (ignoresCase) {
        ASSERT_TRUE(settled[2].failure);
        EXPECT_EQ(settled[2].failure->reason, rv::BackupReason::NameTakenAsOne);
    } else {
        EXPECT_FALSE(settled[2].failure);
        EXPECT_EQ(readFile(destination.path() / "report.txt"), "lower");
        EXPECT_EQ(readFile(destination.path() / "earlier.txt"), "the earlier copy");
    }
    EXPECT_TRUE(temporaryFiles().empty());
}

// One batch of more copies than are read back at a time, a dozen of them
// larger than all the read buffers' room together: each copy is read back,
// and each one altered on the disk, and only it, fails and keeps its earlier
// copy.
TEST_F(CopyCommitterTest, EveryCopyOfALargeBatchIsReadBackAndOnlyTheAlteredOnesFail)
{
    auto flusher = rv::platform::WriteFlusher::open(destination.str());
    ASSERT_TRUE(flusher.ok());
    constexpr std::size_t kCopies = 120;
    auto name = [](std::size_t step) { return "file" + std::to_string(step); };
    auto altered = [](std::size_t step) { return step % 9 == 4; };
    rv::ReadBackCheck check;
    check.beforeReadBack = [&](const rv::platform::DestinationFolder& folder, const rv::platform::PendingFile& copy) {
        const std::size_t step = std::stoul(copy.targetPath.substr(4));
        if (altered(step)) {
            std::fstream file(u8path(folder.pathOf(copy.temporaryPath)),
                              std::ios::in | std::ios::out | std::ios::binary);
            file.put('!');
        }
    };
    std::map<std::size_t, SettledCopy> settled;
    CopyCommitter committer(
        root, std::move(flusher.value()), [&](SettledCopy& copy) { settled.emplace(copy.copy.step, copy); },
        {kCopies, std::uint64_t{1} << 30}, check);
    for (std::size_t step = 0; step < kCopies; ++step) {
        writeFile(destination.path() / name(step), "earlier");
        const std::size_t size = step % 10 == 0 ? (std::size_t{1} << 20) + step : 1 + step * 97;
        committer.add(pendingCopy(name(step), std::string(size, static_cast<char>('a' + step % 26)), step));
    }
    committer.settleAll();

    ASSERT_EQ(settled.size(), kCopies);
    for (std::size_t step = 0; step < kCopies; ++step) {
        const SettledCopy& copy = settled[step];
        EXPECT_NE(copy.readBack, rv::ReadBackOutcome::NotRead) << step;
        EXPECT_EQ(copy.failure.has_value(), altered(step)) << step;
        if (altered(step)) {
            EXPECT_EQ(copy.failure->reason, rv::BackupReason::NotVerified) << step;
            EXPECT_EQ(readFile(destination.path() / name(step)), "earlier") << step;
        }
    }
    EXPECT_TRUE(temporaryFiles().empty());
}

// A batch reaches each of its folders once and renames between them: copies
// made beside their targets in two folders, and one made in the chosen folder
// for a target below it (as the copies made ahead are), all take their
// places. A folder replaced by a link after its copy was made gets nothing
// through the link: that copy fails, and the folder linked to stays empty.
TEST_F(CopyCommitterTest, CopiesTakeTheirPlacesInTheirFoldersAndNoneGoesThroughALinkSwappedIn)
{
    for (const char* folder : {"a/deep", "b", "swapped"}) {
        fs::create_directories(destination.path() / folder);
    }
    auto besideTarget = [&](const std::string& folder, const std::string& name, std::size_t step) {
        const fs::path source = sources.path() / ("source" + std::to_string(made++));
        writeFile(source, name);
        auto held = rv::platform::folderBelow(root, folder, rv::platform::Reach::Open);
        auto file = rv::platform::SourceFile::open(u8string(source));
        EXPECT_TRUE(held.ok() && file.ok());
        auto copied = copier.copyToTemporary(file.value(), held.value(), name, {});
        EXPECT_TRUE(copied.ok());
        return PendingCopy{copied.value(), step, folder + "/" + name};
    };
    auto flusher = rv::platform::WriteFlusher::open(destination.str());
    ASSERT_TRUE(flusher.ok());
    std::map<std::size_t, SettledCopy> settled;
    CopyCommitter committer(root, std::move(flusher.value()),
                            [&](SettledCopy& copy) { settled.emplace(copy.copy.step, copy); });
    committer.add(besideTarget("a/deep", "one.txt", 0));
    committer.add(besideTarget("a/deep", "two.txt", 1));
    committer.add(besideTarget("b", "three.txt", 2));
    committer.add(pendingCopy("b/ahead.txt", "ahead.txt", 3));
    std::size_t copies = 4;
#ifndef _WIN32
    // Windows flushes each copy by its path, and one whose folder is gone
    // fails the whole flush: the link is swapped in here only.
    const TempFolder outside;
    committer.add(besideTarget("swapped", "five.txt", 4));
    copies = 5;
    fs::rename(destination.path() / "swapped", destination.path() / "moved");
    fs::create_directory_symlink(outside.path(), destination.path() / "swapped");
#endif
    committer.settleAll();

    ASSERT_EQ(settled.size(), copies);
    for (const auto& [step, copy] : settled) {
        EXPECT_EQ(copy.failure.has_value(), step == 4) << step;
    }
    for (const char* placed : {"a/deep/one.txt", "a/deep/two.txt", "b/three.txt", "b/ahead.txt"}) {
        EXPECT_EQ(readFile(destination.path() / placed), fs::path(placed).filename().string());
    }
#ifndef _WIN32
    EXPECT_TRUE(fs::is_empty(outside.path()));
#endif
}
