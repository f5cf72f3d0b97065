#include "core/generations/backup_runs.h"
#include "support/exfat_disk.h"
#include "support/fault_injection.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

namespace rv::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr const char* kDatabase = "予約51.mdb";

class GenerationsOnSmallDisks : public ::testing::Test, public BackupRuns {
protected:
    // Each night the database is rewritten with other content of its size.
    void nightWithAChange(int night, const RunTuning& tuning = {})
    {
        writeFile(clinic.program.path() / u8path(kDatabase),
                  SampleClinic::contentFor("night " + std::to_string(night), kMiB));
        ASSERT_EQ(backUp(tuning), kExitAllCopied) << output();
    }
    std::string database(const fs::path& folder) const { return readFile(folder / u8path(kDatabase)); }

    // Puts an exFAT disk under the backup folder; why not, when it cannot be.
    std::optional<std::string> onExfat()
    {
        if (auto reason = ExfatDisk::unavailable()) {
            return reason;
        }
        auto mounted = ExfatDisk::mount(clinic.backup.path(), image_.path(), 64 * kMiB);
        if (!mounted.ok()) {
            return mounted.error();
        }
        disk_.emplace(std::move(mounted.value()));
        return std::nullopt;
    }

private:
    TempFolder image_;
    std::optional<ExfatDisk> disk_; // taken down before the image and the clinic go
};

#define ON_EXFAT_OR_SKIP()                                                                                             \
    if (auto why = onExfat()) {                                                                                        \
        if (why->starts_with("skipped")) {                                                                             \
            GTEST_SKIP() << *why;                                                                                      \
        }                                                                                                              \
        FAIL() << *why;                                                                                                \
    }

// A 4 MiB disk holds the latest 1 MiB database and two earlier ones; a run
// needs room for the whole database again, so the oldest goes, but never
// the newest earlier one, even though the room stays short.
TEST_F(GenerationsOnSmallDisks, TheOldestGoForRoomButNeverTheNewest)
{
    if (auto reason = mountUnavailable()) {
        GTEST_SKIP() << *reason;
    }
    auto mounted = Mount::tmpfs(clinic.backup.path(), 4 * kMiB);
    ASSERT_TRUE(mounted.ok()) << mounted.error();
    for (int night = 0; night < 3; ++night) {
        nightWithAChange(night);
    }
    const std::vector<std::string> beforeShortNight = generations();
    ASSERT_EQ(beforeShortNight.size(), 2u);
    nightWithAChange(3);

    const std::vector<std::string> after = generations();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], beforeShortNight[1]);
    EXPECT_EQ(database(generation(after[0])), SampleClinic::contentFor("night 1", kMiB));
    EXPECT_EQ(database(generation(after[1])), SampleClinic::contentFor("night 2", kMiB));
    EXPECT_NE(
        output().find("以前のバックアップ「" + beforeShortNight[0] + "」を削除しました（保存先の空きを作るため）"),
        std::string::npos)
        << output();
    EXPECT_NE(readFile(clinic.backup.path() / u8path(kHistoryFileName)).find(beforeShortNight[0]), std::string::npos);
}

// exFAT has no hard links and, through FUSE, no rename that refuses to
// replace: the generation is still made by renames alone.
TEST_F(GenerationsOnSmallDisks, AnExfatDiskKeepsGenerationsToo)
{
    ON_EXFAT_OR_SKIP();
    clinic.addDataFiles({"写真/a.jpg"});
    nightWithAChange(0);
    ASSERT_EQ(backUp(), kExitAllCopied) << output();
    EXPECT_TRUE(generations().empty()) << "nothing changed";
    nightWithAChange(1);

    const std::vector<std::string> kept = generations();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(database(generation(kept[0])), SampleClinic::contentFor("night 0", kMiB));
    EXPECT_TRUE(fs::exists(generation(kept[0]) / u8path(kRecordFileName)));
    EXPECT_FALSE(fs::exists(generation(kept[0]) / "GDATA"));
    EXPECT_EQ(database(clinic.backup.path()), SampleClinic::contentFor("night 1", kMiB));
}

// exFAT takes "Report.txt" and "report.txt" as one name: the first copied is
// kept, the other named. A later night that finds the first unchanged keeps
// it, and never lets the other replace it.
TEST_F(GenerationsOnSmallDisks, OnExfatAnUnchangedCopyIsNotTakenByAnotherSpellingOfItsName)
{
    ON_EXFAT_OR_SKIP();
    writeFile(clinic.program.path() / "GDATA/Report.txt", "upper");
    writeFile(clinic.program.path() / "GDATA/report.txt", "lower");
    ASSERT_EQ(backUp(), kExitNotAllCopied) << output();
    const std::string first = readFile(clinic.backup.path() / "GDATA/report.txt");
    ASSERT_TRUE(first == "upper" || first == "lower") << first;

    ASSERT_EQ(backUp(), kExitNotAllCopied) << output();
    EXPECT_EQ(readFile(clinic.backup.path() / "GDATA/report.txt"), first);
    EXPECT_TRUE(generations().empty());
}

// Whatever stands in a generation (put there by someone else) is removed
// with it as it is: a link goes, never what it leads to.
TEST_F(GenerationsOnSmallDisks, RemovingAGenerationTakesALinkInItNotWhatItLeadsTo)
{
    TempFolder outside;
    writeFile(outside.path() / "keep.txt", "the clinic's own");
    RunTuning tuning;
    tuning.keepGenerations = 2;
    for (int night = 0; night < 3; ++night) {
        nightWithAChange(night, tuning);
    }
    const std::string oldest = generations().front();
    fs::create_directory_symlink(outside.path(), generation(oldest) / "folder link");
    fs::create_symlink(outside.path() / "keep.txt", generation(oldest) / "file link");
    nightWithAChange(3, tuning);

    EXPECT_FALSE(fs::exists(fs::symlink_status(generation(oldest)))) << output();
    EXPECT_EQ(readFile(outside.path() / "keep.txt"), "the clinic's own");
}

} // namespace
} // namespace rv::testing
