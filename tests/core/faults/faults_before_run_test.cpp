// Faults already in place when a backup starts: a destination disk that is
// full or read-only, a cap on file sizes, sources the user may not read. Each
// is run through the core run, the unattended runner and the program itself.
#include "backup/unattended_backup.h"
#include "fault_bed.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

using rv::platform::Done;
using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

struct BeforeRunFault {
    const char* name;
    std::optional<std::uint64_t> destinationDisk; // a tmpfs of this size under the destination
    ChildLimits limits;
    // Provokes the fault once the earlier backup is in place.
    std::function<rv::Result<Done, std::string>(FaultBed&)> provoke;
    std::set<std::string> failed; // backup files whose earlier copy must stay; none: all copied
    std::string message;
};

// Test names rather than bytes in the test log.
void PrintTo(const BeforeRunFault& fault, std::ostream* out) { *out << fault.name; }

const std::string kCannotWrite = "書き込めません";

std::vector<std::string> everyItemNotWritable()
{
    std::vector<std::string> lines;
    for (const auto& name : kDefaultDatabaseOrder) {
        lines.push_back(name + "：" + kCannotWrite);
    }
    for (const char* name : {"rv.dat", "id.dat", "GDATA/a.txt", "GDATA/写真/b.jpg"}) {
        lines.push_back(std::string(name) + "：" + kCannotWrite);
    }
    return lines;
}

std::set<std::string> everyBackupFile()
{
    std::set<std::string> files(kDefaultDatabaseOrder.begin(), kDefaultDatabaseOrder.end());
    files.insert({"rv.dat", "id.dat", "GDATA/a.txt", "GDATA/写真/b.jpg"});
    return files;
}

rv::Result<Done, std::string> tooLargeForTheDestination(FaultBed& bed)
{
    bed.resizeSource("保険者51.mdb", 3 * kMiB);
    return done();
}

// The disk holds the earlier backup and room for one new database beside it,
// not two. Replacing the first frees nothing, as its earlier copy is kept in
// a generation, and there is no older generation to remove: the second is not
// copied, and its earlier copy stays where it was. Nothing is deleted to make way.
rv::Result<Done, std::string> roomForOneNewCopy(FaultBed& bed)
{
    for (const char* name : {"Tavo51.mdb", "Meiro51.mdb"}) {
        bed.resizeSource(name, 3 * kMiB);
        bed.replaceEarlierCopy(name, std::string(3 * kMiB, 'e'));
    }
    return done();
}

const BeforeRunFault kFaults[] = {
    {"NoRoomBesideTheEarlierCopiesKept",
     10 * kMiB,
     {},
     roomForOneNewCopy,
     {"Meiro51.mdb"},
     someNotCopied({"Meiro51.mdb：保存先の空き容量が足りません"})},
    {"DiskFull",
     2 * kMiB,
     {},
     tooLargeForTheDestination,
     {"保険者51.mdb"},
     someNotCopied({"保険者51.mdb：保存先の空き容量が足りません"})},
    {"FileSizeLimit",
     {},
     {false, 1 * kMiB},
     tooLargeForTheDestination,
     {"保険者51.mdb"},
     someNotCopied({"保険者51.mdb：大きすぎて保存先に書き込めません"})},
    {"ReadOnlyDestination",
     4 * kMiB,
     {},
     [](FaultBed& bed) { return bed.mount->remountReadOnly(); },
     everyBackupFile(),
     someNotCopied(everyItemNotWritable())},
    {"UnreadableSources",
     {},
     {true, {}},
     [](FaultBed& bed) {
         writeFile(bed.source("GDATA/秘密.txt"), "not for everyone");
         // Empty, so that a test run without root can still remove it.
         fs::create_directory(bed.source("GDATA/鍵のかかったフォルダ"));
         for (const char* locked : {"予約51.mdb", "id.dat", "GDATA/秘密.txt", "GDATA/鍵のかかったフォルダ"}) {
             fs::permissions(bed.source(locked), fs::perms::none);
         }
         return giveToUnprivilegedUser(bed.destination());
     },
     {"予約51.mdb", "id.dat", "GDATA/秘密.txt"},
     someNotCopied({"予約51.mdb：読み取れません", "id.dat：読み取れません",
                    "GDATA/鍵のかかったフォルダ：読み取れません", "GDATA/秘密.txt：読み取れません"})},
};

enum class Runner { Core, Unattended, Program };

const char* nameOf(Runner runner)
{
    switch (runner) {
    case Runner::Core:
        return "CoreRun";
    case Runner::Unattended:
        return "Unattended";
    case Runner::Program:
        return "Program";
    }
    return "?";
}

void PrintTo(Runner runner, std::ostream* out) { *out << nameOf(runner); }

class FaultsBeforeTheRun : public ::testing::TestWithParam<std::tuple<BeforeRunFault, Runner>> {};

} // namespace

TEST_P(FaultsBeforeTheRun, TheItemIsNamedTheRestCopiedAndTheEarlierBackupKept)
{
    const BeforeRunFault& fault = std::get<0>(GetParam());
    const Runner runner = std::get<1>(GetParam());
    if (const auto reason = mountUnavailable(); reason && fault.destinationDisk) {
        GTEST_SKIP() << *reason;
    }
    if (const auto reason = programUnavailable(); reason && runner == Runner::Program) {
        GTEST_SKIP() << *reason;
    }
    FaultBed bed;
    if (fault.destinationDisk) {
        const auto mounted = bed.mountDestination(*fault.destinationDisk);
        ASSERT_TRUE(mounted.ok()) << mounted.error();
    }
    bed.writeEarlierBackup();
    const auto provoked = fault.provoke(bed);
    ASSERT_TRUE(provoked.ok()) << provoked.error();

    const ChildOutcome outcome = runner == Runner::Program ? bed.runProgram(fault.limits, bed.destination())
                                                           : runInChild(fault.limits, [&](std::ostream& out) {
                                                                 if (runner == Runner::Core) {
                                                                     out << bed.runCore();
                                                                     return 0;
                                                                 }
                                                                 return bed.runUnattended(out);
                                                             });

    if (runner == Runner::Core) {
        EXPECT_EQ(outcome.exitCode, 0) << outcome.output;
        EXPECT_EQ(inAnyOrder(outcome.output), inAnyOrder(fault.message));
    } else {
        EXPECT_EQ(outcome.exitCode, fault.failed.empty() ? rv::kExitAllCopied : rv::kExitNotAllCopied)
            << outcome.output;
        EXPECT_EQ(inAnyOrder(closingMessageOf(outcome.output)), inAnyOrder(fault.message)) << outcome.output;
        EXPECT_EQ(outcome.output.find("note:"), std::string::npos) << outcome.output;
    }
    EXPECT_EQ(bed.wrongFiles(bed.destination(), fault.failed), std::vector<std::string>{});
    EXPECT_EQ(temporaryFilesUnder(bed.destination()), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultsBeforeTheRun,
                         ::testing::Combine(::testing::ValuesIn(kFaults),
                                            ::testing::Values(Runner::Core, Runner::Unattended, Runner::Program)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + nameOf(std::get<1>(info.param));
                         });
