// A backup to a real exFAT file system, as USB sticks are formatted: names
// the disk takes as one (it ignores case) are never merged, names it cannot
// hold are named as such, and an ordinary backup goes through.
#include "backup/backup_plan.h"
#include "backup/backup_run.h"
#include "fault_bed.h"
#include "support/exfat_disk.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

using rv::BackupReason;
using rv::CopyReason;
using rv::platform::FileErrorKind;
using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

struct ExfatCase {
    const char* name;
    std::vector<std::string> dataFiles; // written under GDATA, each with content of its own name
    // Not copied, by path inside GDATA: why.
    std::map<std::string, CopyReason> notCopied;
    // Names the destination alone decides (a trailing dot or space): copied
    // if it holds such a name, else named as one it cannot hold.
    std::vector<std::string> asTheDiskDecides;
    // Entries that lose to another the disk takes as the same name: which of
    // them comes first is the walk's order.
    std::size_t takenAsOne = 0;
    CopyReason takenAsOneReason = BackupReason::NameTakenAsOne;
};

const ExfatCase kCases[] = {
    {"EverydayBackup", {}, {}, {}},
    {"FilesOfOneNameButCase", {"Report.txt", "report.txt", "REPORT.TXT"}, {}, {}, 2},
    // The folder that loses is named, and so is each file it holds.
    {"FoldersOfOneNameButCase",
     {"Sub/a.txt", "Sub/only-upper.txt", "sub/a.txt", "sub/only-lower.txt"},
     {},
     {},
     3,
     BackupReason::FolderNameTakenAsOne},
    {"CharactersExfatCannotHold",
     {"a:b.txt", "a?b.txt", "a*b.txt", "a\"b.txt", "a<b.txt", "a>b.txt", "a|b.txt", "a\\b.txt", "c?d/e.txt"},
     {{"a:b.txt", FileErrorKind::InvalidName},
      {"a?b.txt", FileErrorKind::InvalidName},
      {"a*b.txt", FileErrorKind::InvalidName},
      {"a\"b.txt", FileErrorKind::InvalidName},
      {"a<b.txt", FileErrorKind::InvalidName},
      {"a>b.txt", FileErrorKind::InvalidName},
      {"a|b.txt", FileErrorKind::InvalidName},
      {"a\\b.txt", FileErrorKind::InvalidName},
      {"c?d", FileErrorKind::InvalidName},
      {"c?d/e.txt", FileErrorKind::InvalidName}},
     {}},
    {"TrailingDotOrSpace", {}, {}, {"dot.", "space ", "folder./f.txt"}},
};

void PrintTo(const ExfatCase& exfatCase, std::ostream* out) { *out << exfatCase.name; }

// Whether the disk holds a file of this name: made and removed again.
bool diskHolds(const fs::path& folder, const std::string& name)
{
    const fs::path probe = folder / ("probe-" + name);
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    fs::remove(probe);
    return true;
}

// The file's content when its folder lists it under exactly this spelling.
std::optional<std::string> underItsOwnName(const fs::path& root, const std::string& relative)
{
    fs::path at = root;
    for (const auto& part : fs::path(relative)) {
        bool listed = false;
        for (const auto& entry : fs::directory_iterator(at)) {
            listed = listed || entry.path().filename() == part;
        }
        if (!listed) {
            return std::nullopt;
        }
        at /= part;
    }
    return readFile(at);
}

class ExfatDestination : public ::testing::TestWithParam<ExfatCase> {
protected:
    void SetUp() override
    {
        if (auto reason = ExfatDisk::unavailable()) {
            GTEST_SKIP() << *reason;
        }
        auto mounted = ExfatDisk::mount(bed.destination(), image.path(), 64 * kMiB);
        if (!mounted.ok() && mounted.error().starts_with("skipped")) {
            GTEST_SKIP() << mounted.error();
        }
        ASSERT_TRUE(mounted.ok()) << mounted.error();
        disk.emplace(std::move(mounted.value()));
    }

    FaultBed bed;
    TempFolder image;
    std::optional<ExfatDisk> disk; // after bed and image: taken down before they go
};

} // namespace

TEST_P(ExfatDestination, NamesTheDiskTakesAsOneOrCannotHoldAreNamedAndTheRestIsCopied)
{
    const ExfatCase& exfatCase = GetParam();
    std::map<std::string, CopyReason> expected = exfatCase.notCopied;
    std::vector<std::string> written = exfatCase.dataFiles;
    for (const std::string& name : exfatCase.asTheDiskDecides) {
        written.push_back(name);
        const std::string first = name.substr(0, name.find('/'));
        if (!diskHolds(bed.destination(), first)) {
            expected.emplace(name, FileErrorKind::InvalidName);
        }
    }
    for (const std::string& relative : written) {
        writeFile(bed.source("GDATA/" + relative), "content of " + relative);
    }
    std::map<std::string, CopyReason> notCopied;
    std::set<std::string> recorded;
    rv::BackupCallbacks callbacks;
    callbacks.onFileNotCopied = [&](const rv::ItemResult&, const rv::FileFailure& failure) {
        notCopied.emplace(failure.relativePath, failure.reason);
    };
    callbacks.onFileCopied = [&](const rv::RecordedFile& file) { recorded.insert(file.relativePath); };
    bed.runCore(callbacks);

    std::set<std::string> failed;
    std::set<std::string> takenAsOne; // their names lead to the other's file
    for (const auto& [relative, reason] : notCopied) {
        const auto named = expected.find(relative);
        EXPECT_EQ(named != expected.end() ? named->second : exfatCase.takenAsOneReason, reason) << relative;
        (named != expected.end() ? failed : takenAsOne).insert("GDATA/" + relative);
    }
    EXPECT_EQ(takenAsOne.size(), exfatCase.takenAsOne);
    for (const auto& [relative, reason] : expected) {
        EXPECT_EQ(notCopied.count(relative), 1U) << relative;
    }
    // What the record lists is on the disk under its own name, with its own content.
    for (const std::string& relative : written) {
        const bool copied = recorded.count("GDATA/" + relative) == 1;
        EXPECT_NE(copied, notCopied.count(relative) == 1) << relative;
        if (copied) {
            EXPECT_EQ(underItsOwnName(bed.destination() / "GDATA", relative), "content of " + relative) << relative;
        }
    }
    std::vector<std::string> wrong = bed.wrongFiles(bed.destination(), failed);
    std::erase_if(wrong, [&](const std::string& line) { return takenAsOne.count(line.substr(0, line.find(':'))); });
    EXPECT_EQ(wrong, std::vector<std::string>{});
    EXPECT_EQ(temporaryFilesUnder(bed.destination()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Exfat, ExfatDestination, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The program itself, as a clinic runs it onto a USB stick.
TEST(ExfatProgram, NamesOfOneNameButCaseEndTheRunWithExitOne)
{
    if (auto reason = programUnavailable()) {
        GTEST_SKIP() << *reason;
    }
    if (auto reason = ExfatDisk::unavailable()) {
        GTEST_SKIP() << *reason;
    }
    FaultBed bed;
    TempFolder image;
    auto disk = ExfatDisk::mount(bed.destination(), image.path(), 64 * kMiB);
    if (!disk.ok() && disk.error().starts_with("skipped")) {
        GTEST_SKIP() << disk.error();
    }
    ASSERT_TRUE(disk.ok()) << disk.error();
    writeFile(bed.source("GDATA/Report.txt"), "upper");
    writeFile(bed.source("GDATA/report.txt"), "lower");

    const ChildOutcome run = bed.runProgram({false, std::nullopt, 60}, bed.destination());

    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_NE(run.output.find("大文字と小文字の違いしかない名前のファイルが、保存先ではすでに別のファイルです"),
              std::string::npos)
        << run.output;
    // One of the two is on the disk, under its own name.
    const auto upper = underItsOwnName(bed.destination() / "GDATA", "Report.txt");
    const auto lower = underItsOwnName(bed.destination() / "GDATA", "report.txt");
    EXPECT_TRUE(upper == "upper" || lower == "lower") << upper.value_or("-") << " " << lower.value_or("-");
}
