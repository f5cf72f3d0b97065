#include "record/backup_check.h"
#include "record/backup_record.h"
#include "record/record_writer.h"

#include "check_run.h"
#include "support/digest_of.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sstream>

using rv::testing::check;
using rv::testing::CheckRun;
using rv::testing::digestOf;
using rv::testing::readFile;
using rv::testing::TempFolder;
using rv::testing::u8path;
using rv::testing::writeFile;

namespace fs = std::filesystem;

namespace {

// A backup folder with files and the record a run would have left.
class RecordedBackup : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const auto& [path, bytes] : files_) {
            writeFile(folder_.path() / u8path(path), bytes);
        }
        record({"rv.dat", "GDATA/患者/0001.dat", "GDATA/top.dat"});
    }

    void record(const std::vector<std::string>& paths, const std::string& outcome = "すべてコピーしました")
    {
        auto writer = rv::RecordWriter::begin(folder_.str());
        ASSERT_TRUE(writer.ok());
        for (const auto& path : paths) {
            const std::string& bytes = files_.at(path);
            ASSERT_TRUE(writer.value().add({path, bytes.size(), "2026-12-01 10:00:00", digestOf(bytes)}).ok());
        }
        ASSERT_TRUE(writer.value()
                        .finish({"2026-12-08 15:02:03", "rvdatebackup 3.20", outcome, "3 件中 3 件", true}, 1.5)
                        .ok());
    }

    TempFolder folder_;
    std::map<std::string, std::string> files_{
        {"rv.dat", "\"C:\\RV\\臨床RV51N.mdb\""}, {"GDATA/患者/0001.dat", "patient 1"}, {"GDATA/top.dat", "top"}};
};

} // namespace

TEST(RecordLine, ReadsBackWhatWasWrittenWhateverThePathHolds)
{
    const std::string paths[] = {"rv.dat",    "GDATA/患者/写真 1.jpg",          "tab\there",
                                 "new\nline", std::string("bell\x07") + "\x7F", "OK      forged"};
    for (const std::string& path : paths) {
        const rv::RecordedFile file{path, 1234567, "2026-12-01 10:00:00", digestOf(path)};
        const std::string line = rv::recordLine(file);
        EXPECT_EQ(line.find_first_of("\n\r"), line.size() - 2) << "one line: " << line;
        const auto back = rv::parseRecordLine(line);
        ASSERT_TRUE(back) << line;
        EXPECT_EQ(back->relativePath, path);
        EXPECT_EQ(back->size, 1234567U);
        EXPECT_EQ(back->digest, file.digest);
    }
    EXPECT_EQ(rv::escapeRecordPath("a\tb\\c\x01"), "a\\tb\\\\c\\x01");
    // A backslash is part of a name on POSIX; Windows would divide the path there.
    const auto backslash = rv::parseRecordLine(rv::recordLine({"back\\slash", 1, "2026-12-01 10:00:00", {}}));
#ifdef _WIN32
    EXPECT_FALSE(backslash);
#else
    ASSERT_TRUE(backslash);
    EXPECT_EQ(backslash->relativePath, "back\\slash");
#endif
    for (const char* damaged :
         {"", "サイズ\t更新日時\tXXH3-128\tファイル", "12\tx\tnot-a-digest\tname", "12\tx",
          "1x\t2026\t0123456789abcdef0123456789abcdef\tname", "12\t2026\t0123456789abcdef0123456789abcdef\tbad\\q"}) {
        EXPECT_FALSE(rv::parseRecordLine(damaged)) << damaged;
    }
}

TEST_F(RecordedBackup, AnUntouchedBackupMatches)
{
    const CheckRun run = check(folder_.str());
    EXPECT_EQ(run.exitCode, rv::kCheckAllMatch) << run.output;
    EXPECT_NE(run.output.find("一致 3 個、相違 0 個、見つからない 0 個"), std::string::npos) << run.output;
    const std::string record = readFile(folder_.path() / u8path(rv::kRecordFileName));
    EXPECT_TRUE(record.starts_with(std::string(rv::kRecordTitle) + "\r\n形式\t2\r\n日時\t2026-12-08 15:02:03\r\n"))
        << record;
}

TEST_F(RecordedBackup, AChangedByteATruncatedFileAndAMissingFileAreNamed)
{
    writeFile(folder_.path() / "rv.dat", "\"C:\\RV\\臨床RV51N.mdc\"");
    writeFile(folder_.path() / "GDATA/top.dat", "to");
    fs::remove(folder_.path() / u8path("GDATA/患者/0001.dat"));
    const CheckRun run = check(folder_.str());
    EXPECT_EQ(run.exitCode, rv::kCheckDiffers);
    EXPECT_NE(run.output.find("DIFFERS     rv.dat (内容が記録と違います)\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("DIFFERS     GDATA/top.dat (サイズ 3 → 2)\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("MISSING     GDATA/患者/0001.dat\n"), std::string::npos) << run.output;
}

TEST_F(RecordedBackup, NoRecordOrNoFolderCannotBeChecked)
{
    TempFolder empty;
    writeFile(empty.path() / u8path(rv::kRecordFileName), "not a record\r\n");
    EXPECT_EQ(check(empty.str()).exitCode, rv::kCheckUnusable);
    EXPECT_EQ(check(empty.str() + "/no-such-folder").exitCode, rv::kCheckUnusable);
}

TEST_F(RecordedBackup, ALaterRunReplacesTheRecordWholeAndAddsToTheHistory)
{
    record({"rv.dat"}, "コピーできなかったものがあります");
    const std::string record = readFile(folder_.path() / u8path(rv::kRecordFileName));
    EXPECT_NE(record.find("結果\tコピーできなかったものがあります\r\n"), std::string::npos);
    EXPECT_EQ(record.find("GDATA"), std::string::npos) << "nothing of the earlier record stays";
    const std::string history = readFile(folder_.path() / u8path(rv::kHistoryFileName));
    EXPECT_EQ(history,
              rv::historyHeading() +
                  "2026-12-08 15:02:03\tすべてコピーしました\t3 件中 3 件\tファイル 3 個\t1.5 秒\r\n"
                  "2026-12-08 15:02:03\tコピーできなかったものがあります\t3 件中 3 件\tファイル 1 個\t1.5 秒\r\n");
    // No temporary file is left beside them.
    for (const auto& entry : fs::directory_iterator(folder_.path())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".rvtmp")) << entry.path();
    }
}
