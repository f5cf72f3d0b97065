// Faults that strike while the backup runs, set off from its own progress
// callback: the destination taken away, a source that changes under the copy.
#include "fault_bed.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

using rv::BackupProgress;
using rv::platform::Done;
using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

// Large enough that the copy reports progress before it ends.
constexpr std::size_t kLargeFile = 20 * kMiB;

enum class Where {
    Destination,   // the backup files are checked where they were written
    PulledOutDisk, // on the detached file system, through the handle kept on it
    Nowhere,       // the destination is gone and must stay gone
};

struct DuringRunFault {
    const char* name;
    std::optional<std::uint64_t> destinationDisk;
    std::string largeSource;                 // made large enough to be struck within
    std::string item;                        // the fault strikes while this item is copied:
    std::optional<std::uint64_t> afterBytes; // once this much of it is done, or at its start
    std::function<rv::Result<Done, std::string>(FaultBed&)> strike;
    Where where;
    std::set<std::string> failed;
    std::string message;
};

// Test names rather than bytes in the test log.
void PrintTo(const DuringRunFault& fault, std::ostream* out) { *out << fault.name; }

rv::Result<Done, std::string> appendTo(const fs::path& file)
{
    std::ofstream(file, std::ios::binary | std::ios::app) << std::string(kMiB, 'G');
    return done();
}

rv::Result<Done, std::string> truncate(const fs::path& file)
{
    fs::resize_file(file, 4 * kMiB);
    return done();
}

const std::string kChanged = "コピー中に変更されました";

// Complete copies wait, under their temporary names, for one flush of their
// batch before they are renamed into place; when the destination goes before
// that flush, every item of the run fails with it and nothing is half-replaced.
const std::set<std::string> kEveryFile = {"Tavo51.mdb",     "Tavo2_51.mdb",  "Meiro51.mdb",      "カルテ2データ51.mdb",
                                          "同意医師51.mdb", "保険者51.mdb",  "保険申請51_1.mdb", "予約51.mdb",
                                          "料金設定51.mdb", "臨床RV51N.mdb", "保険申請51_2.mdb", "rv.dat",
                                          "id.dat",         "GDATA/a.txt",   "GDATA/写真/b.jpg"};

// The chosen folder gone mid-run: every item says so, and one note says it
// for the copies on their way, with how many (which varies with the batch).
const std::string kGone = "保存先が途中で使えなくなりました";
const std::string kEveryItemGone =
    someNotCopied({"Tavo51.mdb：" + kGone, "Tavo2_51.mdb：" + kGone, "Meiro51.mdb：" + kGone,
                   "カルテ2データ51.mdb：" + kGone, "同意医師51.mdb：" + kGone, "保険者51.mdb：" + kGone,
                   "保険申請51_1.mdb：" + kGone, "予約51.mdb：" + kGone, "料金設定51.mdb：" + kGone,
                   "臨床RV51N.mdb：" + kGone, "保険申請51_2.mdb：" + kGone, "rv.dat：" + kGone, "id.dat：" + kGone,
                   "GDATA：" + kGone}) +
    "\nnote: " + kGone + "。";

// What the run told, up to the count of the note on a gone destination.
std::string withoutTheCount(const std::string& told)
{
    const std::size_t note = told.find("\nnote: " + kGone + "。");
    return note == std::string::npos ? told : told.substr(0, note + kGone.size() + 10);
}

const DuringRunFault kFaults[] = {
    {"DestinationFolderRemoved",
     {},
     {},
     "Meiro51.mdb",
     {},
     [](FaultBed& bed) {
         fs::remove_all(bed.destination());
         return done();
     },
     Where::Nowhere,
     {},
     kEveryItemGone},
    {"DiskPulledOutBetweenFiles",
     8 * kMiB,
     {},
     "保険申請51_1.mdb",
     {},
     [](FaultBed& bed) { return bed.mount->pullOut(); },
     Where::PulledOutDisk,
     kEveryFile,
     kEveryItemGone},
    {"DiskPulledOutWhileAFileIsCopied", 64 * kMiB, "臨床RV51N.mdb", "臨床RV51N.mdb", kMiB,
     [](FaultBed& bed) { return bed.mount->pullOut(); }, Where::PulledOutDisk, kEveryFile, kEveryItemGone},
    {"DatabaseGrowsWhileCopied",
     {},
     "臨床RV51N.mdb",
     "臨床RV51N.mdb",
     kMiB,
     [](FaultBed& bed) { return appendTo(bed.source("臨床RV51N.mdb")); },
     Where::Destination,
     {"臨床RV51N.mdb"},
     someNotCopied({"臨床RV51N.mdb：" + kChanged})},
    {"DatabaseShrinksWhileCopied",
     {},
     "臨床RV51N.mdb",
     "臨床RV51N.mdb",
     kMiB,
     [](FaultBed& bed) { return truncate(bed.source("臨床RV51N.mdb")); },
     Where::Destination,
     {"臨床RV51N.mdb"},
     someNotCopied({"臨床RV51N.mdb：" + kChanged})},
    {"DataFileGrowsWhileCopied",
     {},
     "GDATA/動画.mp4",
     "GDATA",
     kMiB,
     [](FaultBed& bed) { return appendTo(bed.source("GDATA/動画.mp4")); },
     Where::Destination,
     {"GDATA/動画.mp4"},
     someNotCopied({"GDATA/動画.mp4：" + kChanged})},
    // The data folder is listed as it is copied: what it holds at its turn is
    // what is backed up. A folder where the earlier backup has a file is not
    // made over it.
    {"DataFileBecomesAFolderBeforeItsTurn",
     {},
     {},
     "rv.dat",
     {},
     [](FaultBed& bed) {
         fs::remove(bed.source("GDATA/a.txt"));
         fs::create_directory(bed.source("GDATA/a.txt"));
         return done();
     },
     Where::Destination,
     {"GDATA/a.txt"},
     someNotCopied({"GDATA/a.txt：書き込めません"})},
    {"DataFileDeletedBeforeItsTurn",
     {},
     {},
     "rv.dat",
     {},
     [](FaultBed& bed) {
         fs::remove(bed.source("GDATA/a.txt"));
         return done();
     },
     Where::Destination,
     {"GDATA/a.txt"},
     "データのバックアップが終わりました。"},
};

// Calls strike once, when the run is at the fault's moment.
std::function<void(const BackupProgress&)> strikeAt(const DuringRunFault& fault, FaultBed& bed,
                                                    std::optional<std::string>& outcome)
{
    return [&fault, &bed, &outcome, start = std::optional<std::uint64_t>()](const BackupProgress& progress) mutable {
        if (outcome || progress.item != fault.item) {
            return;
        }
        if (!start) {
            start = progress.bytesDone;
        }
        if (!fault.afterBytes || progress.bytesDone >= *start + *fault.afterBytes) {
            const auto struck = fault.strike(bed);
            outcome = struck.ok() ? std::string() : struck.error();
        }
    };
}

class FaultsDuringTheRun : public ::testing::TestWithParam<DuringRunFault> {};

} // namespace

TEST_P(FaultsDuringTheRun, TheItemAndTheRestAreNamedAndTheEarlierBackupKept)
{
    const DuringRunFault& fault = GetParam();
    if (const auto reason = mountUnavailable(); reason && fault.destinationDisk) {
        GTEST_SKIP() << *reason;
    }
    FaultBed bed;
    if (!fault.largeSource.empty()) {
        bed.resizeSource(fault.largeSource, kLargeFile);
    }
    if (fault.destinationDisk) {
        const auto mounted = bed.mountDestination(*fault.destinationDisk);
        ASSERT_TRUE(mounted.ok()) << mounted.error();
    }
    bed.writeEarlierBackup();

    std::optional<std::string> struck;
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = strikeAt(fault, bed, struck);
    const std::string told = bed.runCore(callbacks);

    ASSERT_TRUE(struck) << "the fault never struck";
    ASSERT_EQ(*struck, "") << "the fault could not be provoked";
    EXPECT_EQ(withoutTheCount(told), fault.message);
    switch (fault.where) {
    case Where::Nowhere:
        EXPECT_FALSE(fs::exists(bed.destination())) << "written again after it was removed";
        break;
    case Where::PulledOutDisk:
        EXPECT_FALSE(fs::exists(bed.destination())) << "written again after it was removed";
        EXPECT_EQ(bed.wrongFiles(bed.mount->root(), fault.failed), std::vector<std::string>{});
        // Temporary copies on the detached disk can no longer be reached to
        // be removed; the next run into that folder clears them. They are
        // only ever temporary names; the earlier backup, checked above, is whole.
        break;
    case Where::Destination:
        EXPECT_EQ(bed.wrongFiles(bed.destination(), fault.failed), std::vector<std::string>{});
        EXPECT_EQ(temporaryFilesUnder(bed.destination()), std::vector<std::string>{});
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultsDuringTheRun, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });
