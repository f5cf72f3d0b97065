#include "core/generations/backup_runs.h"
#include "platform/destination_entry.h"
#include "platform/read_back.h"
#include "record/record_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <variant>

namespace rv {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::u8path;
using testing::writeFile;

constexpr const char* kChangedDatabase = "予約51.mdb";
constexpr const char* kSameSizeAndTime = "GDATA/写真/a.jpg";
constexpr const char* kUntouched = "GDATA/b.txt";

// Each case runs with the data folder's files checked at their turn, and
// with them checked ahead, while the databases are written.
class BackupGenerations : public ::testing::TestWithParam<AheadOfFolder>, public testing::BackupRuns {
protected:
    int backUp(RunTuning tuning = {})
    {
        tuning.ahead = GetParam();
        return BackupRuns::backUp(tuning);
    }
    void SetUp() override
    {
        clinic.addDatabases(testing::kDefaultDatabaseOrder);
        clinic.addDataFiles({"写真/a.jpg", "b.txt", "c/d.txt"});
    }

    fs::path flat(const std::string& relative) const { return clinic.backup.path() / u8path(relative); }
    fs::path source(const std::string& relative) const { return clinic.program.path() / u8path(relative); }

    // Where each copy lies on the disk: a copy written again lies elsewhere.
    std::map<std::string, platform::EntryStamp> placesOfCopies() const
    {
        auto root = platform::DestinationFolder::openChosen(clinic.backup.str());
        std::map<std::string, platform::EntryStamp> places;
        for (std::string relative : testing::listAll(clinic.backup.path())) {
            std::replace(relative.begin(), relative.end(), '\\', '/'); // as the core joins paths
            auto stamp = platform::stampAt(root.value(), relative);
            if (fs::is_regular_file(flat(relative)) && relative.find(kRecordFileName) == std::string::npos &&
                relative.find(kHistoryFileName) == std::string::npos && stamp.ok() && stamp.value()) {
                places.emplace(relative, *stamp.value());
            }
        }
        return places;
    }

    // Reads the record of folder (the latest, or a generation) through: its
    // seal and lines hold, and each file it lists, found in folder or else in
    // the latest, holds what it lists. Its counts.
    RecordCounts checkRecord(const fs::path& folder) const
    {
        auto own = platform::DestinationFolder::openChosen(testing::u8string(folder));
        auto latest = platform::DestinationFolder::openChosen(clinic.backup.str());
        auto reader = RecordReader::open(own.value());
        if (!reader.ok()) {
            ADD_FAILURE() << "no record in " << testing::u8string(folder);
            return {};
        }
        while (auto entry = reader.value().next()) {
            if (const auto* file = std::get_if<RecordedFile>(&*entry)) {
                auto read = platform::readFromDeviceBelow(own.value(), file->relativePath);
                if (!read.ok()) {
                    read = platform::readFromDeviceBelow(latest.value(), file->relativePath);
                }
                EXPECT_TRUE(read.ok() && read.value().digest == file->digest) << file->relativePath;
            }
        }
        EXPECT_FALSE(reader.value().damage()) << reader.value().damage()->what;
        return reader.value().declared();
    }
};

TEST_P(BackupGenerations, ANightWithNothingChangedWritesNoCopyAndKeepsNoGeneration)
{
    ASSERT_EQ(backUp(), kExitAllCopied) << output();
    const auto before = placesOfCopies();
    ASSERT_EQ(backUp(), kExitAllCopied) << output();

    const auto after = placesOfCopies();
    ASSERT_EQ(after.size(), before.size());
    for (const auto& [relative, stamp] : before) {
        EXPECT_TRUE(after.at(relative).sameIdentity(stamp) && after.at(relative).modified == stamp.modified)
            << relative << " was written again";
    }
    EXPECT_FALSE(fs::exists(flat(kEarlierBackupsFolder)));
    const RecordCounts counts = checkRecord(clinic.backup.path());
    EXPECT_EQ(counts.unchanged, counts.files);
    EXPECT_EQ(counts.files, before.size());
}

// A database grows; a picture is changed in place keeping its size and time;
// a new file comes. The earlier copies of the first two, and the record they
// belong to, go into one generation named for that record's run.
TEST_P(BackupGenerations, WhatARunReplacesGoesIntoAGenerationWithItsRecord)
{
    ASSERT_EQ(backUp(), kExitAllCopied) << output();
    const std::string earlierRecord = readFile(flat(kRecordFileName));
    const std::string earlierDatabase = readFile(source(kChangedDatabase));
    const std::string earlierPicture = readFile(source(kSameSizeAndTime));
    const auto before = placesOfCopies();

    writeFile(source(kChangedDatabase), earlierDatabase + " and one more appointment");
    const auto pictureTime = fs::last_write_time(source(kSameSizeAndTime));
    std::string picture = earlierPicture;
    picture[0] = static_cast<char>(picture[0] ^ 0x20);
    writeFile(source(kSameSizeAndTime), picture);
    fs::last_write_time(source(kSameSizeAndTime), pictureTime);
    writeFile(source("GDATA/new.txt"), "new today");
    ASSERT_EQ(backUp(), kExitAllCopied) << output();

    const auto generations = this->generations();
    ASSERT_EQ(generations.size(), 1u);
    const std::string when = earlierRecord.substr(earlierRecord.find("日時\t") + 7, 19);
    EXPECT_EQ(generations[0], generationFolderName(when));
    EXPECT_EQ(readFile(generation(generations[0]) / u8path(kRecordFileName)), earlierRecord);
    EXPECT_EQ(readFile(generation(generations[0]) / u8path(kChangedDatabase)), earlierDatabase);
    EXPECT_EQ(readFile(generation(generations[0]) / u8path(kSameSizeAndTime)), earlierPicture);
    EXPECT_EQ(testing::listAll(generation(generations[0])).size(), 5u) << "the record, two files, two folders";
    checkRecord(generation(generations[0]));

    for (const char* changed : {kChangedDatabase, kSameSizeAndTime, "GDATA/new.txt"}) {
        EXPECT_EQ(readFile(flat(changed)), readFile(source(changed))) << changed;
    }
    EXPECT_TRUE(placesOfCopies().at(kUntouched).sameIdentity(before.at(kUntouched)));
    const RecordCounts counts = checkRecord(clinic.backup.path());
    EXPECT_EQ(counts.files - counts.unchanged, 3u);
}

// Each copy is read back at least once in seven nights in a row: one damaged
// on the disk since is found and copied again, its damaged copy kept like
// any replaced one; a copy gone from the disk is copied the next night.
TEST_P(BackupGenerations, ACopyLostOrDamagedOnTheDiskIsCopiedAgainWithinAWeek)
{
    ASSERT_EQ(backUp(), kExitAllCopied) << output();
    std::string damaged = readFile(flat(kUntouched));
    damaged[1] = static_cast<char>(damaged[1] ^ 0x01);
    writeFile(flat(kUntouched), damaged);
    fs::remove(flat("GDATA/c/d.txt"));

    RunTuning tuning;
    int nights = 0;
    for (std::uint64_t day = 20000; day < 20007 && readFile(flat(kUntouched)) == damaged; ++day, ++nights) {
        tuning.readBackDay = day;
        ASSERT_EQ(backUp(tuning), kExitAllCopied) << output();
        EXPECT_EQ(readFile(flat("GDATA/c/d.txt")), readFile(source("GDATA/c/d.txt")));
    }
    EXPECT_EQ(readFile(flat(kUntouched)), readFile(source(kUntouched))) << "after " << nights << " nights";
    EXPECT_NE(output().find("コピーし直しました"), std::string::npos) << output();
    const auto generations = this->generations();
    ASSERT_EQ(generations.size(), 1u);
    EXPECT_EQ(readFile(generation(generations[0]) / u8path(kUntouched)), damaged);
}

TEST_P(BackupGenerations, OnlyTheNewestGenerationsUpToKeepStay)
{
    RunTuning tuning;
    tuning.keepGenerations = 2;
    std::vector<std::string> seen;
    for (int night = 0; night < 5; ++night) {
        writeFile(source(kChangedDatabase), "night " + std::to_string(night));
        ASSERT_EQ(backUp(tuning), kExitAllCopied) << output();
        for (const std::string& name : generations()) {
            if (std::find(seen.begin(), seen.end(), name) == seen.end()) {
                seen.push_back(name);
            }
        }
    }
    // Four nights replaced a copy: four generations were made, the two
    // oldest went, each said on the night's output.
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(generations(), std::vector<std::string>(seen.end() - 2, seen.end()));
    EXPECT_NE(output().find("以前のバックアップ「" + seen[1] + "」を削除しました（保存する数 2 を超えるため）"),
              std::string::npos)
        << output();
    const std::string history = readFile(flat(kHistoryFileName));
    for (const std::string& removed : {seen[0], seen[1]}) {
        EXPECT_NE(history.find("「" + removed + "」を削除しました"), std::string::npos) << history;
    }
    EXPECT_EQ(readFile(generation(seen.back()) / u8path(kChangedDatabase)), "night 3");
}

INSTANTIATE_TEST_SUITE_P(AheadOrAtItsTurn, BackupGenerations,
                         ::testing::Values(AheadOfFolder::Nothing, AheadOfFolder::Finished),
                         [](const ::testing::TestParamInfo<AheadOfFolder>& info) {
                             return info.param == AheadOfFolder::Finished ? "CheckedAhead" : "CheckedAtItsTurn";
                         });

} // namespace
} // namespace rv
