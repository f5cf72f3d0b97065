#include "generations/generation_layout.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace rv {
namespace {

using rv::testing::TempFolder;
using rv::testing::u8path;

TEST(GenerationNames, ComeFromTheRunsTimeAndAreKnownAgain)
{
    EXPECT_EQ(generationFolderName("2026-12-08 18:30:05"), "2026-12-08 18時30分");
    EXPECT_FALSE(generationFolderName("2026-12-08"));
    EXPECT_FALSE(generationFolderName("2026/12/08 18:30:05"));

    const std::vector<std::string> taken = {"2026-12-08 18時30分", "2026-12-08 18時30分（2）"};
    EXPECT_EQ(unusedGenerationName("2026-12-08 18時30分", taken), "2026-12-08 18時30分（3）");
    EXPECT_EQ(unusedGenerationName("2026-12-09 08時00分", taken), "2026-12-09 08時00分");

    for (const char* name : {"2026-12-08 18時30分", "2026-12-08 18時30分（12）"}) {
        EXPECT_TRUE(isGenerationName(name)) << name;
    }
    for (const char* name : {"", "2026-12-08 18時30", "2026-12-08 18時30分（）", "2026-12-08 18時30分（x）",
                             "2026-12-08 18時30分 copy", "メモ", "2026-12-08 1８時30分"}) {
        EXPECT_FALSE(isGenerationName(name)) << name;
    }
}

TEST(EarlierGenerations, AreListedOldestFirstLeavingOtherEntriesOut)
{
    TempFolder backup;
    auto chosen = platform::DestinationFolder::openChosen(backup.str());
    ASSERT_TRUE(chosen.ok());
    auto none = earlierGenerations(chosen.value());
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.value().empty());

    const auto earlier = backup.path() / u8path(kEarlierBackupsFolder);
    for (const char* name : {"2026-12-09 08時00分", "2026-12-08 18時30分（10）", "2026-12-08 18時30分",
                             "2026-12-08 18時30分（2）", "2026-12-08 18時30分（99999999999999999999999）", "メモ"}) {
        std::filesystem::create_directories(earlier / u8path(name));
    }
    auto listed = earlierGenerations(chosen.value());
    ASSERT_TRUE(listed.ok());
    EXPECT_EQ(listed.value(),
              (std::vector<std::string>{"2026-12-08 18時30分", "2026-12-08 18時30分（2）", "2026-12-08 18時30分（10）",
                                        "2026-12-08 18時30分（99999999999999999999999）", "2026-12-09 08時00分"}));
}

} // namespace
} // namespace rv
