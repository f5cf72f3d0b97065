#include "backup/backup_run.h"

#include "backup/backup_message.h"
#include "backup/backup_plan.h"
#include "platform/paths.h"
#include "platform/temporary_names.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#ifndef _WIN32
#include "support/flush_seam.h"

#include <unistd.h>
#endif

using rv::BackupProgress;
using rv::BackupReason;
using rv::BackupResult;
using rv::ItemOutcome;
using rv::ItemResult;
using rv::platform::FileErrorKind;
using rv::testing::kDefaultDatabaseOrder;
using rv::testing::listAll;
using rv::testing::readFile;
using rv::testing::SampleClinic;
using rv::testing::u8path;
using rv::testing::u8string;
using rv::testing::writeFile;

namespace fs = std::filesystem;

namespace {

class BackupRunTest : public ::testing::Test {
protected:
    BackupResult run(const rv::Settings& settings, const rv::BackupCallbacks& callbacks = {},
                     const rv::RunTuning& tuning = {})
    {
        auto plan = rv::makeBackupPlan(settings, clinic.program.str(), clinic.backup.withSeparator());
        EXPECT_TRUE(plan.ok());
        return plan.ok() ? rv::runBackup(plan.value(), callbacks, cancel, tuning) : BackupResult{};
    }
    BackupResult run(const rv::BackupCallbacks& callbacks = {}) { return run(clinic.settings(), callbacks); }

    fs::path backedUp(const std::string& relative) const { return clinic.backup.path() / u8path(relative); }
    fs::path original(const std::string& relative) const { return clinic.program.path() / u8path(relative); }

    const ItemResult& item(const BackupResult& result, const std::string& name) const
    {
        for (const auto& item : result.items) {
            if (item.name == name) {
                return item;
            }
        }
        static const ItemResult none;
        ADD_FAILURE() << "no item " << name;
        return none;
    }

    // Temporary copies are dot files named .rvtmp-*; none may outlive a run.
    bool temporaryFilesLeft() const
    {
        for (const auto& name : listAll(clinic.backup.path())) {
            if (name.find(".rvtmp-") != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    SampleClinic clinic;
    std::atomic<bool> cancel{false};
};

} // namespace

TEST_F(BackupRunTest, CopiesEveryItemAndSaysSoExactly)
{
    clinic.addDatabases(kDefaultDatabaseOrder);
    clinic.addDataFiles({"a.txt", "写真/b.jpg", "写真/2025/c.jpg"});
    fs::create_directories(original("GDATA/空のフォルダ"));
    const BackupResult result = run();

    ASSERT_EQ(result.items.size(), 14u);
    for (const auto& item : result.items) {
        EXPECT_EQ(item.outcome, ItemOutcome::Copied) << item.name << ": " << item.detail;
    }
    for (const auto& name : kDefaultDatabaseOrder) {
        EXPECT_EQ(readFile(backedUp(name)), readFile(original(name))) << name;
    }
    EXPECT_EQ(readFile(backedUp("rv.dat")), readFile(original("rv.dat")));
    EXPECT_EQ(readFile(backedUp("id.dat")), "clinic-id-0001");
    EXPECT_EQ(readFile(backedUp("GDATA/写真/2025/c.jpg")), readFile(original("GDATA/写真/2025/c.jpg")));
    EXPECT_TRUE(fs::is_directory(backedUp("GDATA/空のフォルダ")));
    EXPECT_EQ(item(result, "GDATA").filesCopied, 3u);
    EXPECT_FALSE(result.cancelled);
    EXPECT_FALSE(temporaryFilesLeft());

    const rv::ResultMessage message = rv::describeBackupResult(result);
    EXPECT_EQ(message.text, "データのバックアップが終わりました。");
    EXPECT_EQ(message.caption, "RVシステム");
    EXPECT_EQ(message.icon, rv::MessageIcon::None);
}

TEST_F(BackupRunTest, OverwritesEarlierCopiesAndMergesIntoAnExistingDataFolder)
{
    clinic.addDatabases({"予約51.mdb"}, 5000);
    clinic.addDataFiles({"same.txt", "new/n.txt"});
    writeFile(backedUp("予約51.mdb"), "last week's copy, longer than nothing");
    writeFile(backedUp("GDATA/same.txt"), "old");
    writeFile(backedUp("GDATA/only-in-backup.txt"), "kept");
    const BackupResult result = run();

    EXPECT_EQ(item(result, "予約51.mdb").outcome, ItemOutcome::Copied);
    EXPECT_EQ(readFile(backedUp("予約51.mdb")), readFile(original("予約51.mdb")));
    EXPECT_EQ(readFile(backedUp("GDATA/same.txt")), readFile(original("GDATA/same.txt")));
    EXPECT_EQ(readFile(backedUp("GDATA/new/n.txt")), readFile(original("GDATA/new/n.txt")));
    EXPECT_EQ(readFile(backedUp("GDATA/only-in-backup.txt")), "kept");
    EXPECT_FALSE(temporaryFilesLeft());
}

// A run cut off by a disk pulled out or a power cut leaves its temporary
// copies behind; the next run into the same folders clears them.
TEST_F(BackupRunTest, UnfinishedCopiesOfAnEarlierRunAreClearedAndReported)
{
    clinic.addDatabases({"予約51.mdb"});
    clinic.addDataFiles({"写真/a.jpg"});
    const std::string gone = ".rvtmp-4000000000-7"; // no process has such a number
    const std::string ours = ".rvtmp-" + std::to_string(rv::platform::currentProcessId()) + "-999999";
    const std::vector<std::string> notTemporary = {".rvtmp-12", ".rvtmp-x-1", ".rvtmp-4000000000-1.jpg",
                                                   "rvtmp-4000000000-1"};
    writeFile(backedUp(gone), "half a database");
    writeFile(backedUp("GDATA/写真/" + gone), "half a picture");
    writeFile(backedUp(ours), "a copy this process is still writing");
    for (const auto& name : notTemporary) {
        writeFile(backedUp("GDATA/" + name), "the clinic's own file");
    }
    const BackupResult result = run();

    EXPECT_EQ(item(result, "GDATA").outcome, ItemOutcome::Copied);
    EXPECT_FALSE(fs::exists(backedUp(gone)));
    EXPECT_FALSE(fs::exists(backedUp("GDATA/写真/" + gone)));
    EXPECT_TRUE(fs::exists(backedUp(ours)));
    for (const auto& name : notTemporary) {
        EXPECT_EQ(readFile(backedUp("GDATA/" + name)), "the clinic's own file") << name;
    }
    std::uint64_t reported = 0;
    for (const auto& note : result.notes) {
        if (note.kind == rv::NoteKind::UnfinishedCopyRemoved) {
            // Said once, by the folder: the copies' own names mean nothing to the user.
            EXPECT_EQ(note.detail.find(".rvtmp"), std::string::npos) << note.detail;
            reported += note.count;
        }
    }
    EXPECT_EQ(reported, 2u);
#ifndef _WIN32
    EXPECT_TRUE(rv::platform::processIsRunning(static_cast<std::uint64_t>(getppid())));
#endif
}

TEST_F(BackupRunTest, AFailedCopyLeavesTheEarlierCopyByteForByte)
{
    clinic.addDatabases({"Tavo51.mdb", "予約51.mdb"});
    // A folder where a database file should be, and a file that vanishes
    // after the run has measured it.
    fs::create_directories(original("Tavo51.mdb.d"));
    rv::Settings settings = clinic.settings();
    settings.BackupSources[4] = u8string(original("Tavo51.mdb.d"));
    settings.isDefault[4] = false;
    const std::string earlierTavo = "earlier Tavo copy";
    const std::string earlierYoyaku(70000, 'E');
    writeFile(backedUp("Tavo51.mdb.d"), earlierTavo);
    writeFile(backedUp("予約51.mdb"), earlierYoyaku);
    settings.isDefault[1] = false; // as if rv.dat had named it
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = [&](const BackupProgress& progress) {
        if (progress.item == "予約51.mdb") {
            fs::remove(original("予約51.mdb"));
        }
    };
    const BackupResult result = run(settings, callbacks);

    EXPECT_EQ(item(result, "Tavo51.mdb.d").outcome, ItemOutcome::Failed);
    EXPECT_EQ(item(result, "Tavo51.mdb.d").reason, FileErrorKind::NotReadable);
    EXPECT_EQ(item(result, "予約51.mdb").outcome, ItemOutcome::Failed);
    EXPECT_EQ(item(result, "予約51.mdb").reason, FileErrorKind::NotFound);
    EXPECT_EQ(readFile(backedUp("Tavo51.mdb.d")), earlierTavo);
    EXPECT_EQ(readFile(backedUp("予約51.mdb")), earlierYoyaku);
    EXPECT_FALSE(temporaryFilesLeft());
}

// A disk that gives back other bytes than it was given: the copy is not put
// in place, and the earlier copy of the last backup stays.
TEST_F(BackupRunTest, ACopyThatReadsBackWrongFailsAndTheEarlierCopyStays)
{
    clinic.addDatabases({"Tavo51.mdb", "予約51.mdb"});
    clinic.addDataFiles({"a.txt", "写真/b.jpg"});
    writeFile(backedUp("Tavo51.mdb"), "earlier Tavo");
    writeFile(backedUp("GDATA/写真/b.jpg"), "earlier b");
    std::vector<std::string> readBack;
    rv::RunTuning tuning;
    tuning.readBack.beforeReadBack = [&](const rv::platform::DestinationFolder& root,
                                         const rv::platform::PendingFile& copy) {
        readBack.push_back(copy.targetPath);
        if (copy.targetPath.ends_with("Tavo51.mdb") || copy.targetPath.ends_with("b.jpg")) {
            std::fstream file(u8path(root.pathOf(copy.temporaryPath)), std::ios::in | std::ios::out | std::ios::binary);
            const char first = static_cast<char>(file.get());
            file.seekp(0);
            file.put(static_cast<char>(first ^ 0x20));
        }
    };
    const BackupResult result = run(clinic.settings(), {}, tuning);

    EXPECT_EQ(item(result, "Tavo51.mdb").outcome, ItemOutcome::Failed);
    EXPECT_EQ(item(result, "Tavo51.mdb").reason, BackupReason::NotVerified);
    EXPECT_EQ(readFile(backedUp("Tavo51.mdb")), "earlier Tavo");
    ASSERT_EQ(item(result, "GDATA").fileFailures.size(), 1u);
    EXPECT_EQ(item(result, "GDATA").fileFailures[0].relativePath, "写真/b.jpg");
    EXPECT_EQ(item(result, "GDATA").fileFailures[0].reason, BackupReason::NotVerified);
    EXPECT_EQ(readFile(backedUp("GDATA/写真/b.jpg")), "earlier b");
    EXPECT_EQ(readFile(backedUp("予約51.mdb")), readFile(original("予約51.mdb")));
    EXPECT_EQ(readFile(backedUp("GDATA/a.txt")), readFile(original("GDATA/a.txt")));
    EXPECT_EQ(readBack.size(), 6u); // two databases, rv.dat, id.dat and the two data files
    EXPECT_TRUE(result.allVerified);
    EXPECT_FALSE(temporaryFilesLeft());
    EXPECT_NE(rv::describeBackupResult(result).text.find("・Tavo51.mdb：書き込んだ内容を確認できませんでした"),
              std::string::npos);

    // Asked not to, the run reads nothing back and says the copies are unverified.
    tuning.readBack.enabled = false;
    readBack.clear();
    const BackupResult unverified = run(clinic.settings(), {}, tuning);
    EXPECT_TRUE(readBack.empty());
    EXPECT_FALSE(unverified.allVerified);
    EXPECT_EQ(readFile(backedUp("Tavo51.mdb")), readFile(original("Tavo51.mdb")));
}

TEST_F(BackupRunTest, ATargetThatCannotBeReplacedFailsAndLeavesNoTemporaryFile)
{
    clinic.addDatabases({"Meiro51.mdb"});
    clinic.addDataFiles({"blocked/x.txt", "fine.txt"});
    fs::create_directories(backedUp("Meiro51.mdb/inside"));
    writeFile(backedUp("GDATA/blocked"), "a file where the folder goes");
    const BackupResult result = run();

    EXPECT_EQ(item(result, "Meiro51.mdb").outcome, ItemOutcome::Failed);
    EXPECT_EQ(item(result, "Meiro51.mdb").reason, FileErrorKind::NotWritable);
    const ItemResult& gdata = item(result, "GDATA");
    EXPECT_EQ(gdata.outcome, ItemOutcome::Failed);
    EXPECT_EQ(gdata.filesCopied, 1u);
    EXPECT_EQ(gdata.filesTotal, 2u);
    ASSERT_EQ(gdata.fileFailures.size(), 2u);
    EXPECT_EQ(gdata.fileFailures[0].relativePath, "blocked");
    EXPECT_EQ(gdata.fileFailures[1].relativePath, "blocked/x.txt");
    EXPECT_EQ(readFile(backedUp("GDATA/fine.txt")), readFile(original("GDATA/fine.txt")));
    EXPECT_FALSE(temporaryFilesLeft());
}

TEST_F(BackupRunTest, MissingDefaultsAreInformationAndMissingNamedFilesFailures)
{
    SampleClinic named({{3, "/nonexistent/rv/臨床RV51N.mdb"}});
    named.addDatabases(kDefaultDatabaseOrder);
    fs::remove(named.program.path() / "Tavo2_51.mdb");
    fs::remove(named.program.path() / u8path("保険申請51_2.mdb"));
    fs::remove(named.program.path() / "id.dat");
    auto plan = rv::makeBackupPlan(named.settings(), named.program.str(), named.backup.withSeparator());
    ASSERT_TRUE(plan.ok());
    const BackupResult result = rv::runBackup(plan.value(), {}, cancel);

    EXPECT_EQ(result.items[1].name, "Tavo2_51.mdb");
    EXPECT_EQ(result.items[1].outcome, ItemOutcome::NotPresent);
    EXPECT_EQ(rv::describeBackupResult(result).text,
              "データのバックアップが終わりましたが、コピーできなかったものがあります。\n"
              "・臨床RV51N.mdb：見つかりません\n"
              "・id.dat：見つかりません\n"
              "\n"
              "次のファイルは標準の場所にないため、コピーしていません。\n"
              "・Tavo2_51.mdb\n"
              "・保険申請51_2.mdb\n"
              "・GDATA");
}

TEST_F(BackupRunTest, ALaterItemOfTheSameNameIsReportedAsOverwritingTheEarlier)
{
    writeFile(original("one/同じ.mdb"), "from entry 2");
    writeFile(original("two/同じ.mdb"), "from entry 1");
    rv::Settings settings = clinic.settings();
    settings.BackupSources[2] = u8string(original("one/同じ.mdb"));
    settings.BackupSources[1] = u8string(original("two/同じ.mdb"));
    std::vector<rv::RecordedFile> recorded;
    rv::BackupCallbacks callbacks;
    callbacks.onFileCopied = [&](const rv::RecordedFile& file) {
        if (file.relativePath == "同じ.mdb") {
            recorded.push_back(file);
        }
    };
    const BackupResult result = run(settings, callbacks);

    EXPECT_EQ(result.items[6].reason, BackupReason::Overwritten);
    EXPECT_EQ(result.items[6].outcome, ItemOutcome::Failed);
    EXPECT_EQ(result.items[7].outcome, ItemOutcome::Copied);
    EXPECT_EQ(readFile(backedUp("同じ.mdb")), "from entry 1");
    // The record lists the file once, for what it holds.
    ASSERT_EQ(recorded.size(), 1u);
    rv::ContentHasher held;
    held.add("from entry 1", 12);
    EXPECT_EQ(recorded[0].digest, held.digest());
    EXPECT_NE(rv::describeBackupResult(result).text.find("・同じ.mdb：同じ名前の別のファイルで上書きされました"),
              std::string::npos);
}

TEST_F(BackupRunTest, ProgressTotalsAreKnownFromTheStartAndReachedAtTheEnd)
{
    clinic.addDatabases({"Tavo51.mdb", "臨床RV51N.mdb"});
    clinic.addDataFiles({"1.txt", "d/2.txt"});
    std::vector<BackupProgress> seen;
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = [&](const BackupProgress& progress) { seen.push_back(progress); };
    const BackupResult result = run(callbacks);

    // rv.dat, id.dat, two databases and two data files.
    const std::uint64_t files = 6;
    const std::uint64_t bytes = 2000 + fs::file_size(original("rv.dat")) + 14 + 600;
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().filesTotal, files);
    EXPECT_EQ(seen.front().bytesTotal, bytes);
    EXPECT_EQ(seen.front().itemCount, 14u);
    EXPECT_EQ(seen.back().filesDone, files);
    EXPECT_EQ(seen.back().bytesDone, bytes);
    EXPECT_EQ(seen.back().item, "GDATA");
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].bytesDone, seen[i - 1].bytesDone);
        EXPECT_GE(seen[i].filesDone, seen[i - 1].filesDone);
    }
}

TEST_F(BackupRunTest, ALargeFileReportsProgressWithinItself)
{
    const std::uint64_t size = std::uint64_t{20} << 20;
    clinic.addDatabases({"Tavo51.mdb"}, size);
    std::vector<std::uint64_t> bytesDuringTavo;
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = [&](const BackupProgress& progress) {
        if (progress.item == "Tavo51.mdb") {
            bytesDuringTavo.push_back(progress.bytesDone);
        }
    };
    run(callbacks);

    // From the report as the file starts to the one as it is done, at least
    // one report with part of the file copied.
    ASSERT_FALSE(bytesDuringTavo.empty());
    const std::uint64_t before = bytesDuringTavo.front();
    EXPECT_EQ(bytesDuringTavo.back(), before + size);
    const auto partway = std::count_if(bytesDuringTavo.begin(), bytesDuringTavo.end(),
                                       [&](std::uint64_t bytes) { return bytes > before && bytes < before + size; });
    EXPECT_GE(partway, 1);
}

TEST_F(BackupRunTest, CancelWithinAFileKeepsTheEarlierCopyAndSaysWhatWasNotCopied)
{
    clinic.addDatabases({"Tavo51.mdb"});
    clinic.addDatabases({"Meiro51.mdb"}, (std::size_t{30} << 20));
    clinic.addDataFiles({"a.txt"});
    const std::string earlier = "the copy of last week";
    writeFile(backedUp("Meiro51.mdb"), earlier);
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = [&](const BackupProgress& progress) {
        if (progress.item == "Meiro51.mdb" && progress.bytesDone > progress.bytesTotal / 10) {
            cancel = true;
        }
    };
    const BackupResult result = run(callbacks);

    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(item(result, "Tavo51.mdb").outcome, ItemOutcome::Copied);
    EXPECT_EQ(readFile(backedUp("Tavo51.mdb")), readFile(original("Tavo51.mdb")));
    EXPECT_EQ(readFile(backedUp("Meiro51.mdb")), earlier);
    EXPECT_FALSE(fs::exists(backedUp("rv.dat")));
    EXPECT_FALSE(fs::exists(backedUp("GDATA")));
    EXPECT_FALSE(temporaryFilesLeft());
    const rv::ResultMessage message = rv::describeBackupResult(result);
    EXPECT_EQ(message.icon, rv::MessageIcon::Warning);
    EXPECT_EQ(message.text, "データのバックアップを中止しました。次のものはコピーしていません。\n"
                            "・Meiro51.mdb：中止しました\n"
                            "・カルテ2データ51.mdb：中止しました\n"
                            "・同意医師51.mdb：中止しました\n"
                            "・保険者51.mdb：中止しました\n"
                            "・保険申請51_1.mdb：中止しました\n"
                            "・予約51.mdb：中止しました\n"
                            "・料金設定51.mdb：中止しました\n"
                            "・臨床RV51N.mdb：中止しました\n"
                            "・保険申請51_2.mdb：中止しました\n"
                            "・rv.dat：中止しました\n"
                            "・id.dat：中止しました\n"
                            "・GDATA：中止しました\n"
                            "\n"
                            "次のファイルは標準の場所にないため、コピーしていません。\n"
                            "・Tavo2_51.mdb");
}

TEST_F(BackupRunTest, CancelWithinTheDataFolderKeepsTheFilesAlreadyCopied)
{
    std::vector<std::string> files;
    files.reserve(20);
    for (int i = 0; i < 20; ++i) {
        files.push_back("f" + std::to_string(100 + i) + ".txt");
    }
    clinic.addDataFiles(files);
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = [&](const BackupProgress& progress) {
        if (progress.item == "GDATA" && progress.filesDone == 2 + 5) {
            cancel = true;
        }
    };
    const BackupResult result = run(callbacks);

    const ItemResult& gdata = item(result, "GDATA");
    EXPECT_TRUE(result.cancelled);
    EXPECT_EQ(gdata.reason, FileErrorKind::Cancelled);
    EXPECT_EQ(gdata.filesCopied, 5u);
    EXPECT_EQ(listAll(backedUp("GDATA")).size(), 5u);
    EXPECT_FALSE(temporaryFilesLeft());
    EXPECT_NE(rv::describeBackupResult(result).text.find("・GDATA：中止しました（20 個のうち 5 個はコピー済み）"),
              std::string::npos);
}

TEST_F(BackupRunTest, LongAndUnicodePathsInTheDataFolderAreCopied)
{
    std::string deep;
    for (int i = 0; i < 16; ++i) {
        deep += "階層フォルダ" + std::to_string(i) + "/";
    }
    const std::string relative = deep + "カルテ画像.jpg";
    ASSERT_GT(u8string(clinic.backup.path() / "GDATA" / u8path(relative)).size(), 300u);
    clinic.addDataFiles({relative});
    const BackupResult result = run();

    EXPECT_EQ(item(result, "GDATA").outcome, ItemOutcome::Copied);
    EXPECT_EQ(readFile(backedUp("GDATA/" + relative)), readFile(original("GDATA/" + relative)));
}

// runBackup takes any plan: one without steps copies nothing and says so.
TEST_F(BackupRunTest, AnEmptyPlanGivesAnEmptyResult)
{
    const rv::BackupPlan plan{clinic.backup.withSeparator(), {}};
    std::size_t itemsDone = 0;
    const BackupResult result = rv::runBackup(plan, {{}, [&](const ItemResult&) { ++itemsDone; }}, cancel);

    EXPECT_TRUE(result.items.empty());
    EXPECT_FALSE(result.cancelled);
    EXPECT_EQ(itemsDone, 0u);
    EXPECT_FALSE(temporaryFilesLeft());
}

// Batches of two: every other copy waits while the batch before it is flushed
// on the committer's thread.
rv::RunTuning smallBatches()
{
    rv::RunTuning tuning;
    tuning.batches = {2, std::uint64_t{1} << 30};
    return tuning;
}

#ifndef _WIN32
// A front end's callback that throws ends the run where it stands. The batch
// then being flushed on the committer's thread still has its destination
// open until it is through, and the copies that waited for a batch are
// removed, not left behind under temporary names.
TEST_F(BackupRunTest, AnExceptionFromACallbackWaitsForTheBatchInFlightAndClearsTheRest)
{
    clinic.addDatabases({"Tavo51.mdb"});
    clinic.addDataFiles({"a.txt", "b.txt"});
    // Tavo51.mdb and rv.dat are the batch in flight, id.dat waits for the next.
    rv::BackupCallbacks callbacks;
    callbacks.onProgress = [](const BackupProgress& progress) {
        if (progress.item == "GDATA") {
            throw std::runtime_error("the front end gave up");
        }
    };
    const rv::testing::HeldFlushes held(std::chrono::milliseconds(300));

    EXPECT_THROW(run(clinic.settings(), callbacks, smallBatches()), std::runtime_error);

    EXPECT_GE(held.seen(), 1);
    EXPECT_EQ(held.lostTheirDescriptor(), 0);
    EXPECT_EQ(readFile(backedUp("Tavo51.mdb")), readFile(original("Tavo51.mdb")));
    EXPECT_EQ(readFile(backedUp("rv.dat")), readFile(original("rv.dat")));
    EXPECT_FALSE(fs::exists(backedUp("id.dat")));
    EXPECT_FALSE(temporaryFilesLeft());
}
#endif

// Wherever a progress report throws - before a copy, within it, right after
// it, while a batch is in flight or copies wait - the exception comes out of
// the run and nothing is left under a temporary name.
TEST_F(BackupRunTest, AnExceptionFromAnyProgressReportLeavesNoTemporaryFile)
{
    clinic.addDatabases({"Tavo51.mdb", "予約51.mdb"});
    clinic.addDataFiles({"a.txt", "b.txt", "写真/c.jpg"});
    // Each run throws at a later report, until one runs to its end.
    std::size_t throwAt = 1;
    for (bool threw = true; threw && throwAt < 200; ++throwAt) {
        SCOPED_TRACE(throwAt);
        std::size_t calls = 0;
        rv::BackupCallbacks throwing;
        throwing.onProgress = [&](const BackupProgress&) {
            if (++calls == throwAt) {
                throw std::runtime_error("the front end gave up");
            }
        };
        try {
            run(clinic.settings(), throwing, smallBatches());
            threw = false;
        } catch (const std::runtime_error&) {
        }
        EXPECT_FALSE(temporaryFilesLeft());
    }
    EXPECT_GT(throwAt, 10u);
    EXPECT_LT(throwAt, 200u);
}

// After a power cut, a run started at boot may get the process number of the
// run that was cut off, and meet that run's unfinished copies under the very
// names it picks itself, numbered from 0 again. Such a name is passed over.
TEST_F(BackupRunTest, AnUnfinishedCopyUnderTheNameThisRunPicksIsPassedOver)
{
    clinic.addDatabases({"Tavo51.mdb"});
    clinic.addDataFiles({"a.txt", "写真/b.jpg"});
    // The first numbers of a new process, and the next of this one (when
    // earlier tests ran in it): every folder written holds them already.
    const std::string probe = rv::platform::temporaryName();
    const unsigned next = static_cast<unsigned>(std::stoul(probe.substr(probe.rfind('-') + 1))) + 1;
    const std::string prefix = ".rvtmp-" + std::to_string(rv::platform::currentProcessId()) + "-";
    std::vector<std::string> planted;
    for (unsigned n = 0; n < 8; ++n) {
        for (const unsigned number : {n, next + n}) {
            for (const std::string folder : {"", "GDATA/", "GDATA/写真/"}) {
                planted.push_back(folder + prefix + std::to_string(number));
                writeFile(backedUp(planted.back()), "half a copy, left by the run a power cut stopped");
            }
        }
    }
    const BackupResult result = run();

    for (const auto& item : result.items) {
        EXPECT_NE(item.outcome, ItemOutcome::Failed) << item.name << ": " << item.detail;
    }
    EXPECT_EQ(item(result, "GDATA").filesCopied, 2u);
    EXPECT_EQ(readFile(backedUp("Tavo51.mdb")), readFile(original("Tavo51.mdb")));
    EXPECT_EQ(readFile(backedUp("id.dat")), "clinic-id-0001");
    EXPECT_EQ(readFile(backedUp("GDATA/写真/b.jpg")), readFile(original("GDATA/写真/b.jpg")));
    // This process may not tell them from copies it is still writing: they stay.
    for (const auto& name : planted) {
        EXPECT_TRUE(fs::exists(backedUp(name))) << name;
    }
}
