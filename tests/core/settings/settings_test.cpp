#include "settings/settings.h"

#include "common/path_text.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h> // before psapi.h, which needs its types

#include <psapi.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

namespace {

class ReadSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder_ = fs::temp_directory_path() /
                  ("rv-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    void writeRvDat(const std::string& bytes) const { std::ofstream(folder_ / "rv.dat", std::ios::binary) << bytes; }
    rv::Settings read() const
    {
        auto settings = rv::ReadSettings(folder_.string());
        EXPECT_TRUE(settings.ok());
        return settings.ok() ? settings.value() : rv::Settings{};
    }
    std::string inFolder(const std::string& name) const { return folder_.string() + '/' + name; }

    fs::path folder_;
};

// Fields "f0", "f1", ... quoted, comma separated, five to a line.
std::string numberedFields(int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += "\"f" + std::to_string(i) + "\"";
        text += (i % 5 == 4) ? "\r\n" : ",";
    }
    return text;
}

TEST_F(ReadSettingsTest, EmptyFileGivesTheTwelveDefaults)
{
    writeRvDat("");
    const rv::Settings s = read();
    for (const auto& field : s.SettingFields) {
        EXPECT_TRUE(field.empty());
    }
    EXPECT_EQ(s.BackupSources[0], inFolder("臨床RV51N.mdb"));
    EXPECT_EQ(s.BackupSources[1], inFolder("予約51.mdb"));
    EXPECT_EQ(s.BackupSources[2], inFolder("保険申請51_1.mdb"));
    EXPECT_EQ(s.BackupSources[3], inFolder("Meiro51.mdb"));
    EXPECT_EQ(s.BackupSources[4], inFolder("Tavo51.mdb"));
    EXPECT_EQ(s.BackupSources[5], inFolder("Tavo2_51.mdb"));
    EXPECT_EQ(s.BackupSources[6], inFolder("カルテ2データ51.mdb"));
    EXPECT_EQ(s.BackupSources[11], inFolder("同意医師51.mdb"));
    EXPECT_EQ(s.BackupSources[12], inFolder("保険者51.mdb"));
    EXPECT_EQ(s.BackupSources[13], inFolder("料金設定51.mdb"));
    EXPECT_EQ(s.BackupSources[14], inFolder("保険申請51_2.mdb"));
    EXPECT_EQ(s.BackupSources[15], inFolder("GDATA"));
    for (int entry = 7; entry <= 10; ++entry) {
        EXPECT_TRUE(s.BackupSources[entry].empty()) << entry;
        EXPECT_FALSE(s.isDefault[entry]) << entry;
    }
    EXPECT_TRUE(s.isDefault[0] && s.isDefault[15]);
}

TEST_F(ReadSettingsTest, FieldsMapToEntriesOutOfStep)
{
    writeRvDat(numberedFields(100));
    const rv::Settings s = read();
    for (int i = 0; i <= 86; ++i) {
        EXPECT_EQ(s.SettingFields[i], "f" + std::to_string(i));
    }
    for (int i = 87; i <= 100; ++i) {
        EXPECT_TRUE(s.SettingFields[i].empty()) << "field " << i << " is never read";
    }
    for (int entry = 0; entry <= 10; ++entry) {
        EXPECT_EQ(s.BackupSources[entry], "f" + std::to_string(entry + 3));
    }
    EXPECT_EQ(s.BackupSources[11], "f53");
    EXPECT_EQ(s.BackupSources[12], "f54");
    EXPECT_EQ(s.BackupSources[13], "f55");
    EXPECT_EQ(s.BackupSources[14], "f73");
    EXPECT_EQ(s.BackupSources[15], "f14");
    EXPECT_FALSE(s.isDefault[0]);
}

TEST_F(ReadSettingsTest, FourteenFieldsLeaveTheLaterEntriesToTheirDefaults)
{
    writeRvDat(numberedFields(14));
    const rv::Settings s = read();
    EXPECT_EQ(s.BackupSources[10], "f13");
    EXPECT_EQ(s.BackupSources[11], inFolder("同意医師51.mdb"));
    EXPECT_EQ(s.BackupSources[14], inFolder("保険申請51_2.mdb"));
    EXPECT_EQ(s.BackupSources[15], inFolder("GDATA")) << "field 14 is missing";
}

TEST_F(ReadSettingsTest, DecodesCp932BeforeSplitting)
{
    // Field 4: "D:\予約\表.mdb"; "表" is 0x95 0x5C, whose trail byte is "\".
    // Field 5 is unquoted and holds a comma, so it splits and shifts field 6.
    writeRvDat("a,b,c,x,\"D:\\\x97\x5C\x96\xF1\\\x95\x5C.mdb\",E:\\a,b\r\n");
    const rv::Settings s = read();
    EXPECT_EQ(s.BackupSources[1], "D:\\予約\\表.mdb");
    EXPECT_EQ(s.BackupSources[2], "E:\\a");
    EXPECT_EQ(s.BackupSources[3], "b");
    EXPECT_TRUE(s.notes.empty());
}

TEST_F(ReadSettingsTest, InvalidBytesAreReplacedAndNoted)
{
    writeRvDat("a,b,c,\"x\xA0y\"");
    const rv::Settings s = read();
    EXPECT_EQ(s.SettingFields[3], "x\uFFFDy");
    ASSERT_EQ(s.notes.size(), 1u);
    EXPECT_EQ(s.notes[0],
              "rv.dat の 1 バイトは CP932 の文字として読めないため、置き換え文字（U+FFFD）として読みました。");
}

TEST_F(ReadSettingsTest, MissingOrUnopenableFileIsAnError)
{
    auto missing = rv::ReadSettings(folder_.string());
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().errorNumber, 53);
    EXPECT_EQ(missing.error().path, inFolder("rv.dat"));
    EXPECT_EQ(rv::describeSettingsError(missing.error()),
              "実行時エラー '53':\n\nファイルが見つかりません。\n\n" + rv::nativeSeparators(inFolder("rv.dat")));

    fs::create_directory(folder_ / "rv.dat");
    auto folder = rv::ReadSettings(folder_.string());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.error().errorNumber, 75);
    EXPECT_EQ(folder.error().reason, "ファイルではなくフォルダです。");
#ifndef _WIN32
    fs::remove(folder_ / "rv.dat");
    ASSERT_EQ(::mkfifo((folder_ / "rv.dat").c_str(), 0644), 0);
    auto pipe = rv::ReadSettings(folder_.string());
    ASSERT_FALSE(pipe.ok());
    EXPECT_EQ(pipe.error().reason, "通常のファイルではありません（名前付きパイプ、デバイスまたはソケットです）。");
#endif
}

long peakRssKb()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}

// A 200 MB file without a single separator must be streamed, not held: the
// one huge field is read as empty and the defaults apply.
TEST_F(ReadSettingsTest, HugeFileWithoutSeparatorIsStreamed)
{
    {
        std::ofstream out(folder_ / "rv.dat", std::ios::binary);
        std::mt19937 random(87);
        std::string block(1 << 20, '\0');
        for (int mb = 0; mb < 200; ++mb) {
            for (char& c : block) {
                c = static_cast<char>('A' + random() % 26);
            }
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
        }
    }
    const long before = peakRssKb();
    const rv::Settings s = read();
    const long grownKb = peakRssKb() - before;
    std::printf("200 MB rv.dat: peak RSS grew by %ld KB\n", grownKb);
    EXPECT_TRUE(s.SettingFields[0].empty());
    EXPECT_EQ(s.BackupSources[0], inFolder("臨床RV51N.mdb"));
    ASSERT_EQ(s.notes.size(), 1u);
    EXPECT_EQ(s.notes[0], "rv.dat の項目 0：32767 文字を超えているため、空として読みました。");
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's quarantine keeps freed chunks resident
    EXPECT_LT(grownKb, 16 * 1024) << "the file must not be held in memory";
#endif
}

} // namespace
