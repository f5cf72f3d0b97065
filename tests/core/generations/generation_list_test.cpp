#include "core/generations/backup_runs.h"
#include "core/record/check_run.h"
#include "generations/generation_list.h"

#include <gtest/gtest.h>

#include <sstream>

namespace rv {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::u8path;
using testing::writeFile;

constexpr const char* kDatabase = "予約51.mdb";
constexpr const char* kNote = "GDATA/b.txt";

// Three nights: the database changes every night, the note only on the
// third. The oldest generation's note was never replaced by the second
// night, so it lies in the second generation's folder, not its own.
class GenerationList : public ::testing::Test, public testing::BackupRuns {
protected:
    void SetUp() override
    {
        clinic.addDatabases(testing::kDefaultDatabaseOrder);
        clinic.addDataFiles({"a.txt", "b.txt"});
        for (int night = 0; night < 3; ++night) {
            writeFile(clinic.program.path() / u8path(kDatabase), "night " + std::to_string(night));
            if (night == 2) {
                writeFile(clinic.program.path() / u8path(kNote), "changed on the third night");
            }
            ASSERT_EQ(backUp(), kExitAllCopied) << output();
        }
        names = generations();
        ASSERT_EQ(names.size(), 2u);
    }

    std::vector<std::string> names; // oldest first
};

TEST_F(GenerationList, ListsEachGenerationNewestFirstWithItsRecordsFigures)
{
    std::ostringstream out;
    ASSERT_EQ(runGenerationListing(clinic.backup.str(), out), 0);
    std::istringstream lines(out.str());
    std::vector<std::string> firstFields;
    // The databases, rv.dat, id.dat and the two data files.
    const std::string files = "\t" + std::to_string(testing::kDefaultDatabaseOrder.size() + 4) + " 個\t";
    for (std::string line; std::getline(lines, line);) {
        firstFields.push_back(line.substr(0, line.find('\t')));
        EXPECT_NE(line.find(files), std::string::npos) << line;
    }
    EXPECT_EQ(firstFields, (std::vector<std::string>{std::string(kLatestGenerationName), names[1], names[0]}));

    auto backup = platform::DestinationFolder::openChosen(clinic.backup.str());
    const auto listed = listGenerations(backup.value());
    ASSERT_TRUE(listed.ok());
    for (const auto& generation : listed.value()) {
        EXPECT_TRUE(generation.complete) << generation.name << ": " << generation.outcome;
        EXPECT_EQ(generation.when.size(), 19u) << generation.name;
    }
    EXPECT_TRUE(listed.value().front().latest);
}

// Each generation checks as it was, its files found wherever they lie; a
// file damaged in a newer generation's folder is a difference of the older
// generation that shares it, and not of the latest.
TEST_F(GenerationList, ChecksAGenerationAsItWasWhereverItsFilesLie)
{
    for (const std::string& name : {std::string(), std::string(kLatestGenerationName), names[0], names[1]}) {
        const auto run = testing::check(clinic.backup.str(), name);
        EXPECT_EQ(run.exitCode, kCheckAllMatch) << name << "\n" << run.output;
    }
    const fs::path sharedNote = generation(names[1]) / u8path(kNote);
    ASSERT_TRUE(fs::exists(sharedNote));
    EXPECT_FALSE(fs::exists(generation(names[0]) / u8path(kNote)));
    writeFile(sharedNote, "damaged on the disk");

    const auto oldest = testing::check(clinic.backup.str(), names[0]);
    EXPECT_EQ(oldest.exitCode, kCheckDiffers) << oldest.output;
    EXPECT_NE(oldest.output.find("DIFFERS     GDATA/b.txt"), std::string::npos) << oldest.output;
    EXPECT_EQ(testing::check(clinic.backup.str(), "").exitCode, kCheckAllMatch);
}

TEST_F(GenerationList, AFolderWithoutABackupOrAGenerationNotThereIsRefused)
{
    const auto unknown = testing::check(clinic.backup.str(), "2001-01-01 00時00分");
    EXPECT_EQ(unknown.exitCode, kCheckUnusable);
    EXPECT_NE(unknown.output.find("その名前の世代はありません：2001-01-01 00時00分"), std::string::npos)
        << unknown.output;

    std::ostringstream out;
    EXPECT_EQ(runGenerationListing(clinic.program.str() + "/GDATA", out), 2);
    EXPECT_NE(out.str().find("バックアップの記録がありません"), std::string::npos) << out.str();
}

} // namespace
} // namespace rv
