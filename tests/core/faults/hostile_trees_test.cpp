// Trees laid out by a hostile tester: links where the backup's folders go,
// links, pipes and /proc where its sources are, files swapped under the
// run, private folders, names that hold a line break, a sparse database.
// Each is run through the unattended runner, as root and as an ordinary
// user, and must write nothing outside the destination, copy nothing from
// outside the data folder, end on its own, name what it did not copy and
// say so in its exit code.
#include "backup/unattended_backup.h"
#include "fault_bed.h"
#include "record/backup_check.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

constexpr const char* kSecret = "VICTIM-SECRET: not the clinic's";
const std::string kLink = "リンクです（リンク先はたどらず、コピーしていません）";
const std::string kPipe = "名前付きパイプです（通常のファイルではありません）";
const std::string kVirtual = "システムが作る仮想のファイルです（ディスク上のデータではありません）";

// The clinic, and outside it a victim: a folder and a file the backup must
// neither write into nor copy from.
struct Hostile {
    Hostile()
    {
        writeFile(victim.path() / "secret.txt", kSecret);
        writeFile(victim.path() / "folder" / "inside.txt", kSecret);
    }

    fs::path source(const std::string& relative) const { return bed.source(relative); }
    fs::path destination(const std::string& relative) const { return bed.destination() / u8path(relative); }

    FaultBed bed;
    TempFolder victim;
};

// A line of the output that must be there: one that holds each of these.
using Line = std::vector<std::string>;

struct HostileCase {
    const char* name;
    std::function<void(Hostile&)> plant;
    int exitCode;
    std::vector<Line> lines;
    // What else must hold once the run is over; given whether it ran as root.
    std::function<void(const Hostile&, bool asRoot)> check;
    // Done over and over while the run goes, by a process of its own.
    std::function<void(Hostile&, unsigned round)> meanwhile;
};

void PrintTo(const HostileCase& hostile, std::ostream* out) { *out << hostile.name; }

void linkFolder(const fs::path& target, const fs::path& link)
{
    fs::remove_all(link);
    fs::create_directory_symlink(target, link);
}

void makePipe(const fs::path& path)
{
    fs::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0) << path;
}

mode_t modeOf(const fs::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

void expectRealFolderWithTheData(const Hostile& hostile, const std::string& folder)
{
    EXPECT_FALSE(fs::is_symlink(hostile.destination(folder)));
    EXPECT_TRUE(fs::is_directory(hostile.destination(folder)));
    EXPECT_EQ(readFile(hostile.destination("GDATA/写真/b.jpg")), readFile(hostile.source("GDATA/写真/b.jpg")));
}

// The listed data files are swapped, one after another, for links to the
// victim or for pipes, and then back, as fast as it goes, as a tester did to
// the run.
void swapUnderTheRun(Hostile& hostile, unsigned round)
{
    const fs::path folder = hostile.source("GDATA/入れ替え");
    const fs::path swap = folder / ".swap";
    for (int i = 0; i < 40; ++i) {
        std::error_code ignored;
        fs::remove(swap, ignored);
        if (round % 2 == 1) {
            writeFile(swap, "the clinic's own " + std::to_string(round));
        } else if (i % 2 == 0) {
            fs::create_symlink(hostile.victim.path() / "secret.txt", swap, ignored);
        } else {
            ::mkfifo(swap.c_str(), 0644);
        }
        fs::rename(swap, folder / ("f" + std::to_string(i) + ".txt"), ignored);
    }
}

// A process that does something over and over until it goes: a process, not
// a thread, so that the run's own process forks while it has only one thread.
class Meanwhile {
public:
    Meanwhile(const std::function<void(Hostile&, unsigned)>& work, Hostile& hostile)
    {
        if (!work) {
            return;
        }
        std::cout.flush();
        process_ = ::fork();
        if (process_ == 0) {
            for (unsigned round = 0;; ++round) {
                work(hostile, round);
            }
        }
    }
    Meanwhile(const Meanwhile&) = delete;
    Meanwhile& operator=(const Meanwhile&) = delete;
    ~Meanwhile()
    {
        if (process_ > 0) {
            ::kill(process_, SIGKILL);
            ::waitpid(process_, nullptr, 0);
        }
    }

private:
    pid_t process_ = -1;
};

const HostileCase kCases[] = {
    {"DestinationDataFolderIsALinkToAVictim",
     [](Hostile& hostile) { linkFolder(hostile.victim.path() / "folder", hostile.destination("GDATA")); },
     rv::kExitAllCopied,
     {{"note: 保存先の ", "にあったリンク（", "をフォルダに置き換えました"}},
     [](const Hostile& hostile, bool) { expectRealFolderWithTheData(hostile, "GDATA"); }},
    {"DestinationDataFolderIsALinkIntoTheSourceDataFolder",
     [](Hostile& hostile) { linkFolder(hostile.source("GDATA"), hostile.destination("GDATA")); },
     rv::kExitAllCopied,
     {{"GDATA [2/2 files]"}},
     [](const Hostile& hostile, bool) { expectRealFolderWithTheData(hostile, "GDATA"); }},
    {"FolderInTheDestinationDataFolderIsALinkToAVictim",
     [](Hostile& hostile) {
         fs::create_directories(hostile.destination("GDATA"));
         linkFolder(hostile.victim.path() / "folder", hostile.destination("GDATA/写真"));
     },
     rv::kExitAllCopied,
     {{"note: 保存先の ", "写真 にあったリンク（", "をフォルダに置き換えました"}},
     [](const Hostile& hostile, bool) { expectRealFolderWithTheData(hostile, "GDATA/写真"); }},
    {"FolderInTheDestinationDataFolderIsALinkIntoTheSourceDataFolder",
     [](Hostile& hostile) {
         fs::create_directories(hostile.destination("GDATA"));
         linkFolder(hostile.source("GDATA"), hostile.destination("GDATA/写真"));
     },
     rv::kExitAllCopied,
     {{"GDATA [2/2 files]"}},
     [](const Hostile& hostile, bool) { expectRealFolderWithTheData(hostile, "GDATA/写真"); }},
    {"LinksToAFileAndAFolderInTheDataFolder",
     [](Hostile& hostile) {
         fs::create_symlink(hostile.victim.path() / "secret.txt", hostile.source("GDATA/秘密.txt"));
         fs::create_directory_symlink(hostile.victim.path() / "folder", hostile.source("GDATA/外"));
     },
     rv::kExitNotAllCopied,
     {{"FAILED    ", "GDATA/秘密.txt -> ", kLink},
      {"FAILED    ", "GDATA/外 -> ", kLink},
      {"FAILED  ", "GDATA (" + kLink + ") [2/2 files]"}},
     [](const Hostile& hostile, bool) {
         EXPECT_FALSE(fs::exists(fs::symlink_status(hostile.destination("GDATA/秘密.txt"))));
         EXPECT_FALSE(fs::exists(fs::symlink_status(hostile.destination("GDATA/外"))));
     }},
    {"PipeAsADatabase",
     [](Hostile& hostile) { makePipe(hostile.source("Tavo51.mdb")); },
     rv::kExitNotAllCopied,
     {{"FAILED  ", "Tavo51.mdb -> ", kPipe}},
     {}},
    {"PipeAsIdDat",
     [](Hostile& hostile) { makePipe(hostile.source("id.dat")); },
     rv::kExitNotAllCopied,
     {{"FAILED  ", "id.dat -> ", kPipe}, {"OK      ", "GDATA [2/2 files]"}},
     {}},
    {"DataFolderPointedAtTheProcessFileSystem",
     [](Hostile& hostile) { linkFolder("/proc", hostile.source("GDATA")); },
     rv::kExitNotAllCopied,
     {{"FAILED  ", "GDATA -> ", kVirtual}},
     [](const Hostile& hostile, bool) { EXPECT_FALSE(fs::exists(hostile.destination("GDATA"))); }},
    {"ListedFilesSwappedForLinksAndPipesWhileTheRunGoes",
     [](Hostile& hostile) {
         for (int i = 0; i < 40; ++i) {
             writeFile(hostile.source("GDATA/入れ替え/f" + std::to_string(i) + ".txt"), "the clinic's own");
         }
     },
     -1, // as the race falls: 0 only if no line says FAILED
     {},
     {},
     swapUnderTheRun},
    {"PrivateFoldersUnderAnOpenUmask",
     [](Hostile& hostile) {
         writeFile(hostile.source("GDATA/患者 山田/カルテ.txt"), "private");
         fs::permissions(hostile.source("GDATA/患者 山田/カルテ.txt"), fs::perms::owner_read | fs::perms::owner_write);
         fs::permissions(hostile.source("GDATA/患者 山田"), fs::perms::owner_all);
         fs::permissions(hostile.source("GDATA"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
         if (::geteuid() == 0) {
             // Someone else's, as a clinic's patient folders are the staff's.
             EXPECT_EQ(::chown(hostile.source("GDATA/患者 山田").c_str(), 1234, 5678), 0);
         }
     },
     rv::kExitAllCopied,
     {{"GDATA [3/3 files]"}},
     [](const Hostile& hostile, bool asRoot) {
         EXPECT_EQ(modeOf(hostile.destination("GDATA")), 0750u);
         EXPECT_EQ(modeOf(hostile.destination("GDATA/患者 山田")), 0700u);
         EXPECT_EQ(modeOf(hostile.destination("GDATA/患者 山田/カルテ.txt")), 0600u);
         EXPECT_EQ(modeOf(hostile.destination("GDATA/写真")), modeOf(hostile.source("GDATA/写真")));
         struct stat copy {};
         ASSERT_EQ(::stat(hostile.destination("GDATA/患者 山田").c_str(), &copy), 0);
         if (asRoot) {
             EXPECT_EQ(copy.st_uid, 1234u);
             EXPECT_EQ(copy.st_gid, 5678u);
         }
     }},
    {"LineBreaksInNames",
     [](Hostile& hostile) {
         fs::create_symlink(hostile.victim.path() / "secret.txt", hostile.source("GDATA/x\nOK      forged"));
         writeFile(hostile.source("GDATA/y\nOK      forged too.txt"), "copied, so no line of its own");
     },
     rv::kExitNotAllCopied,
     {{"FAILED    ", "GDATA/x\\x0AOK      forged -> ", kLink}},
     [](const Hostile& hostile, bool) {
         EXPECT_EQ(readFile(hostile.destination("GDATA/y\nOK      forged too.txt")), "copied, so no line of its own");
     }},
    {"SparseDatabase",
     [](Hostile& hostile) {
         std::ofstream(hostile.source("臨床RV51N.mdb"), std::ios::binary | std::ios::trunc) << "header";
         fs::resize_file(hostile.source("臨床RV51N.mdb"), std::uint64_t{2} << 30);
     },
     rv::kExitAllCopied,
     {{"OK      ", "臨床RV51N.mdb"}},
     [](const Hostile& hostile, bool) {
         struct stat copy {};
         ASSERT_EQ(::stat(hostile.destination("臨床RV51N.mdb").c_str(), &copy), 0);
         EXPECT_EQ(copy.st_size, std::int64_t{2} << 30);
         EXPECT_LT(copy.st_blocks * 512, 1 << 20) << "the holes were filled";
     }},
};

enum class User { Root, Ordinary };

const char* nameOf(User user) { return user == User::Root ? "AsRoot" : "AsAnOrdinaryUser"; }

std::vector<std::string> linesOf(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool holdsAll(const std::string& line, const Line& parts)
{
    return std::all_of(parts.begin(), parts.end(),
                       [&](const std::string& part) { return line.find(part) != std::string::npos; });
}

// Whether any file in the backup holds what only the victim holds, and
// whether the backup holds a link at all.
std::vector<std::string> leaksInto(const fs::path& backup)
{
    std::vector<std::string> leaks;
    for (const auto& entry : fs::recursive_directory_iterator(backup)) {
        if (entry.is_symlink()) {
            leaks.push_back(entry.path().string() + ": a link");
        } else if (entry.is_regular_file() && entry.file_size() < (1 << 20) &&
                   readFile(entry.path()).find(kSecret) != std::string::npos) {
            leaks.push_back(entry.path().string() + ": the victim's content");
        }
    }
    return leaks;
}

class HostileTrees : public ::testing::TestWithParam<std::tuple<HostileCase, User>> {};

} // namespace

TEST_P(HostileTrees, NothingGoesOutsideNothingComesInEverythingIsNamedAndTheExitCodeIsHonest)
{
    const HostileCase& hostileCase = std::get<0>(GetParam());
    const bool asRoot = std::get<1>(GetParam()) == User::Root;
    if (::geteuid() != 0 && asRoot) {
        GTEST_SKIP() << "skipped: needs root";
    }
    Hostile hostile;
    hostileCase.plant(hostile);
    if (!asRoot) {
        for (const fs::path& mine : {hostile.bed.clinic.program.path(), hostile.bed.destination()}) {
            const auto given = giveToUnprivilegedUser(mine);
            ASSERT_TRUE(given.ok()) << given.error();
        }
    }
    const auto victimBefore = snapshot(hostile.victim.path());
    auto sourceBefore = snapshot(hostile.bed.clinic.program.path());

    const ChildOutcome outcome = [&] {
        const Meanwhile meanwhile(hostileCase.meanwhile, hostile);
        return runInChild({!asRoot, {}, 60}, [&](std::ostream& out) {
            ::umask(0); // the most open there is: the copies must still be no more open than their sources
            return hostile.bed.runUnattended(out);
        });
    }();

    ASSERT_NE(outcome.exitCode, 128 + SIGALRM) << "the run did not end:\n" << outcome.output;
    const std::vector<std::string> lines = linesOf(outcome.output);
    const bool anyFailed =
        std::any_of(lines.begin(), lines.end(), [](const std::string& line) { return line.starts_with("FAILED"); });
    EXPECT_EQ(outcome.exitCode, hostileCase.exitCode < 0 ? (anyFailed ? 1 : 0) : hostileCase.exitCode)
        << outcome.output;
    EXPECT_EQ(anyFailed, outcome.exitCode == rv::kExitNotAllCopied) << outcome.output;
    for (const Line& expected : hostileCase.lines) {
        EXPECT_TRUE(
            std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return holdsAll(line, expected); }))
            << "no line with " << ::testing::PrintToString(expected) << " in\n"
            << outcome.output;
    }
    for (const std::string& line : lines) {
        EXPECT_FALSE(line.starts_with("OK      forged")) << "a name made a line of its own";
    }
    EXPECT_EQ(snapshot(hostile.victim.path()), victimBefore) << "written outside the destination";
    if (!hostileCase.meanwhile) {
        EXPECT_EQ(snapshot(hostile.bed.clinic.program.path()), sourceBefore) << "written into the source";
    }
    EXPECT_EQ(leaksInto(hostile.bed.destination()), std::vector<std::string>{});
    EXPECT_EQ(temporaryFilesUnder(hostile.bed.destination()), std::vector<std::string>{});
    if (hostileCase.check) {
        hostileCase.check(hostile, asRoot);
    }
}

INSTANTIATE_TEST_SUITE_P(Trees, HostileTrees,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values(User::Root, User::Ordinary)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" + nameOf(std::get<1>(info.param));
                         });

namespace {

// A database of size bytes that takes no time to make, with marks at its two
// ends that tell it from the others.
void largeDatabase(const fs::path& path, std::uint64_t size)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << path.filename().string();
    const int fd = ::open(path.c_str(), O_WRONLY);
    EXPECT_EQ(::posix_fallocate(fd, 0, static_cast<off_t>(size)), 0); // data, not holes
    const std::string mark = "end of " + path.filename().string();
    EXPECT_EQ(::pwrite(fd, mark.data(), mark.size(), static_cast<off_t>(size - mark.size())),
              static_cast<ssize_t>(mark.size()));
    ::close(fd);
}

bool sameContent(const fs::path& first, const fs::path& second)
{
    std::ifstream a(first, std::ios::binary);
    std::ifstream b(second, std::ios::binary);
    std::string chunkA(1 << 20, '\0');
    std::string chunkB(1 << 20, '\0');
    while (a && b) {
        a.read(chunkA.data(), static_cast<std::streamsize>(chunkA.size()));
        b.read(chunkB.data(), static_cast<std::streamsize>(chunkB.size()));
        if (a.gcount() != b.gcount() || chunkA.compare(0, static_cast<std::size_t>(a.gcount()), chunkB, 0,
                                                       static_cast<std::size_t>(b.gcount())) != 0) {
            return false;
        }
    }
    return !a && !b;
}

} // namespace

// Ctrl+C (SIGINT) and SIGTERM, as a scheduled task's end sends it.
class SignalledRuns : public ::testing::TestWithParam<int> {};

// The signal stops the program within a second, in the middle of a large
// file, and it says what it did not copy.
TEST_P(SignalledRuns, TheBackupEndsWithinASecondAndSaysWhatItDidNotCopy)
{
    if (const auto reason = programUnavailable()) {
        GTEST_SKIP() << *reason;
    }
    FaultBed bed;
    largeDatabase(bed.source("Tavo51.mdb"), std::uint64_t{1} << 30);
    const SignalledOutcome ended = runProgramUntil(
        {false, {}, 60}, bed.installProgram(), {"--backup-to", bed.destination().string()},
        [&](pid_t program, const std::string&) { return holdsOpen(program, bed.source("Tavo51.mdb")); }, GetParam());

    ASSERT_TRUE(ended.signalled) << ended.outcome.output;
    EXPECT_LT(ended.toEnd.count(), 1000) << ended.outcome.output;
    EXPECT_EQ(ended.outcome.exitCode, rv::kExitNotAllCopied) << ended.outcome.output;
    EXPECT_NE(ended.outcome.output.find("Tavo51.mdb (中止しました)"), std::string::npos) << ended.outcome.output;
    EXPECT_NE(ended.outcome.output.find("データのバックアップを中止しました。"), std::string::npos);
    EXPECT_FALSE(fs::exists(bed.destination() / "Tavo51.mdb"));
    EXPECT_EQ(temporaryFilesUnder(bed.destination()), std::vector<std::string>{});
}

// A check in the middle of reading a large copy back is ended by the signal:
// it stops, says it did not finish, and names nothing as unreadable for the
// read it cut short.
TEST_P(SignalledRuns, ACheckInTheMiddleOfALargeFileEndsAsStopped)
{
    if (const auto reason = programUnavailable()) {
        GTEST_SKIP() << *reason;
    }
    FaultBed bed;
    const std::string program = bed.installProgram();
    ASSERT_EQ(runProgram({}, program, {"--backup-to", bed.destination().string()}).exitCode, rv::kExitAllCopied);
    {
        // Written out, not allocated: a read of allocated space costs nothing.
        std::ofstream copy(bed.destination() / "Tavo51.mdb", std::ios::binary | std::ios::trunc);
        const std::string chunk(std::size_t{8} << 20, 'x');
        for (int i = 0; i < 256; ++i) {
            copy << chunk;
        }
    }
    const SignalledOutcome ended = runProgramUntil(
        {false, {}, 60}, program, {"--check", bed.destination().string()},
        [&](pid_t checking, const std::string&) { return holdsOpen(checking, bed.destination() / "Tavo51.mdb"); },
        GetParam());

    ASSERT_TRUE(ended.signalled) << ended.outcome.output;
    EXPECT_LT(ended.toEnd.count(), 5000) << ended.outcome.output; // a hang guard, not a speed target
    EXPECT_EQ(ended.outcome.exitCode, rv::kCheckDiffers) << ended.outcome.output;
    EXPECT_NE(ended.outcome.output.find("確認を最後まで終えていません。"), std::string::npos) << ended.outcome.output;
    EXPECT_EQ(ended.outcome.output.find("UNREADABLE"), std::string::npos) << ended.outcome.output;
}

INSTANTIATE_TEST_SUITE_P(Signals, SignalledRuns, ::testing::Values(SIGINT, SIGTERM),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGINT ? "SIGINT" : "SIGTERM");
                         });

// A run killed outright (SIGKILL, a power cut of the task) has written the
// line of each item it finished, and each line holds.
TEST(HostileRuns, AKilledProgramLeavesTheLinesOfWhatItFinished)
{
    if (const auto reason = programUnavailable()) {
        GTEST_SKIP() << *reason;
    }
    FaultBed bed;
    // Past a batch each: the first is settled once the third is sent.
    for (const char* name : {"Tavo51.mdb", "Tavo2_51.mdb", "Meiro51.mdb", "カルテ2データ51.mdb"}) {
        largeDatabase(bed.source(name), std::uint64_t{300} << 20);
    }
    const SignalledOutcome killed = runProgramUntil(
        {false, {}, 60}, bed.installProgram(), {"--backup-to", bed.destination().string()},
        [](pid_t, const std::string& output) { return output.find('\n') != std::string::npos; }, SIGKILL);

    ASSERT_TRUE(killed.signalled);
    ASSERT_EQ(killed.outcome.exitCode, 128 + SIGKILL) << "the run ended before it was killed:\n"
                                                      << killed.outcome.output;
    const std::vector<std::string> lines = linesOf(killed.outcome.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(killed.outcome.output.ends_with("\n")) << "a line cut in half";
    for (const std::string& line : lines) {
        ASSERT_TRUE(line.starts_with("OK      ")) << line;
        const std::size_t arrow = line.find(" -> ");
        ASSERT_NE(arrow, std::string::npos) << line;
        const std::string source = line.substr(8, arrow - 8);
        EXPECT_TRUE(sameContent(source, line.substr(arrow + 4))) << line;
    }
}
