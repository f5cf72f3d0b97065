#include "common/path_text.h"
#include "core/generations/backup_runs.h"
#include "generations/generation_layout.h"
#include "restore/folder_restore_service.h"
#include "restore/unattended_restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace rv {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::u8path;
using testing::writeFile;

// A lock file as the database engine leaves it while the database is open:
// on Windows, held open.
class OpenLockFile {
public:
    explicit OpenLockFile(const fs::path& path)
    {
        writeFile(path, "lock");
#ifdef _WIN32
        handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#endif
    }
    OpenLockFile(const OpenLockFile&) = delete;
    OpenLockFile& operator=(const OpenLockFile&) = delete;
    ~OpenLockFile()
    {
#ifdef _WIN32
        CloseHandle(handle_);
#endif
    }

private:
#ifdef _WIN32
    HANDLE handle_ = INVALID_HANDLE_VALUE;
#endif
};

class Restore : public ::testing::Test, public testing::BackupRuns {
protected:
    void SetUp() override
    {
        clinic.addDatabases(testing::kDefaultDatabaseOrder);
        clinic.addDataFiles({"写真/a.jpg", "b.txt", "c/d.txt"});
        ASSERT_EQ(backUp(), 0) << output();
    }

    int restore(const std::string& generation = {})
    {
        std::ostringstream out;
        const int code = runUnattendedRestore(clinic.program.str(), clinic.backup.str(), generation, out, cancel);
        restored_ = out.str();
        return code;
    }
    const std::string& restoreOutput() const { return restored_; }

    fs::path program(const std::string& relative) const { return clinic.program.path() / u8path(relative); }

    // The one kept-aside folder of folder's restore; empty when there is none.
    fs::path keptFolder(const fs::path& folder) const
    {
        const fs::path before = folder / u8path(kBeforeRestoreFolder);
        if (!fs::is_directory(before)) {
            return {};
        }
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(before)) {
            kept.push_back(entry.path());
        }
        EXPECT_EQ(kept.size(), 1U);
        EXPECT_TRUE(kept.empty() || isGenerationName(testing::u8string(kept.front().filename())));
        return kept.empty() ? fs::path() : kept.front();
    }

private:
    std::string restored_;
};

enum class Harm { Damaged, Removed };

struct HarmedFile {
    const char* relative; // in the program folder
    Harm harm;
    const char* keptBelow; // the folder whose 復元前 keeps it, when it was replaced
    const char* keptAs;    // its path below the kept folder
};

TEST_F(Restore, PutsTheLatestBackupBackAndKeepsWhatItReplaced)
{
    const HarmedFile harmed[] = {
        {"Tavo51.mdb", Harm::Damaged, "", "Tavo51.mdb"},
        {"予約51.mdb", Harm::Removed, nullptr, nullptr},
        {"GDATA/写真/a.jpg", Harm::Damaged, "GDATA", "写真/a.jpg"},
        {"GDATA/c/d.txt", Harm::Removed, nullptr, nullptr},
        {"id.dat", Harm::Removed, nullptr, nullptr},
    };
    std::map<std::string, std::string> before;
    for (const HarmedFile& file : harmed) {
        before[file.relative] = readFile(program(file.relative));
        if (file.harm == Harm::Damaged) {
            writeFile(program(file.relative), "damaged");
        } else {
            fs::remove(program(file.relative));
        }
    }
    fs::remove(program("GDATA/c"));
    // Not in the backup: left alone. rv.dat is there: left as it is.
    writeFile(program("GDATA/新しい.txt"), "added since");
    const std::string settings = readFile(program("rv.dat")) + "\r\nlater notes";
    writeFile(program("rv.dat"), settings);

    FolderRestoreService service(clinic.program.str());
    auto preview = service.preview(clinic.backup.str(), "");
    ASSERT_TRUE(preview.ok()) << preview.error().message;
    const auto shown = [this](const char* relative) { return nativeSeparators(testing::u8string(program(relative))); };
    const auto lists = [](const std::vector<std::string>& list, const std::string& path) {
        return std::find(list.begin(), list.end(), path) != list.end();
    };
    for (const HarmedFile& file : harmed) {
        const bool replaced = lists(preview.value().replaced, shown(file.relative));
        EXPECT_EQ(replaced, file.harm == Harm::Damaged) << file.relative;
        EXPECT_EQ(lists(preview.value().added, shown(file.relative)), !replaced) << file.relative;
    }
    EXPECT_FALSE(lists(preview.value().replaced, shown("rv.dat")));

    ASSERT_EQ(restore(), kRestoreAllRestored) << restoreOutput();

    for (const HarmedFile& file : harmed) {
        EXPECT_EQ(readFile(program(file.relative)), before[file.relative]) << file.relative;
        if (file.keptBelow != nullptr) {
            // Undone by moving the kept file back: it is what was replaced.
            EXPECT_EQ(readFile(keptFolder(program(file.keptBelow)) / u8path(file.keptAs)), "damaged") << file.relative;
        }
    }
    EXPECT_EQ(readFile(program("GDATA/新しい.txt")), "added since");
    EXPECT_EQ(readFile(program("rv.dat")), settings);
    EXPECT_NE(restoreOutput().find(kBeforeRestoreFolder), std::string::npos) << restoreOutput();
    for (const std::string& entry : testing::listAll(clinic.program.path())) {
        EXPECT_EQ(entry.find(".rvtmp"), std::string::npos) << entry;
    }
}

TEST_F(Restore, IsRefusedWithNothingTouchedWhenItCannotStart)
{
    writeFile(program("Tavo51.mdb"), "damaged");
    struct Refusal {
        const char* generation;
        const char* lockFile; // held while it runs
        const char* named;    // in what it says
    } const refusals[] = {
        {"", "Tavo51.ldb", "Tavo51.mdb"},
        {"2020-01-01 00時00分", nullptr, "2020-01-01 00時00分"},
    };
    for (const Refusal& refusal : refusals) {
        std::optional<OpenLockFile> lock;
        if (refusal.lockFile != nullptr) {
            lock.emplace(program(refusal.lockFile));
        }
        EXPECT_EQ(restore(refusal.generation), kRestoreCouldNotStart) << refusal.named;
        EXPECT_NE(restoreOutput().find(refusal.named), std::string::npos) << restoreOutput();
        EXPECT_EQ(readFile(program("Tavo51.mdb")), "damaged");
        EXPECT_FALSE(fs::exists(program(kBeforeRestoreFolder)));
    }
}

TEST_F(Restore, PutsAnEarlierGenerationBack)
{
    const std::string first = readFile(program("予約51.mdb"));
    const std::string firstData = readFile(program("GDATA/b.txt"));
    writeFile(program("予約51.mdb"), "the second night's, longer than the first night's");
    writeFile(program("GDATA/b.txt"), "changed on the second day");
    ASSERT_EQ(backUp(), 0) << output();
    // Unchanged between the nights: the earlier generation's copy is the latest's.
    writeFile(program("Tavo51.mdb"), "damaged");
    const std::vector<std::string> earlier = generations();
    ASSERT_EQ(earlier.size(), 1U);

    ASSERT_EQ(restore(earlier.front()), kRestoreAllRestored) << restoreOutput();
    EXPECT_EQ(readFile(program("予約51.mdb")), first);
    EXPECT_EQ(readFile(program("GDATA/b.txt")), firstData);
    EXPECT_EQ(readFile(program("Tavo51.mdb")), testing::SampleClinic::contentFor("Tavo51.mdb", 1000));
}

TEST_F(Restore, OnANewMachineTheBackupsSettingsSayWhereFilesGo)
{
    const std::string settings = readFile(program("rv.dat"));
    fs::remove(program("rv.dat"));
    fs::remove(program("臨床RV51N.mdb"));
    fs::remove_all(program("GDATA"));

    ASSERT_EQ(restore(), kRestoreAllRestored) << restoreOutput();
    EXPECT_EQ(readFile(program("rv.dat")), settings);
    EXPECT_EQ(readFile(program("臨床RV51N.mdb")), testing::SampleClinic::contentFor("臨床RV51N.mdb", 1000));
    EXPECT_EQ(readFile(program("GDATA/写真/a.jpg")), testing::SampleClinic::contentFor("写真/a.jpg", 300));
}

TEST_F(Restore, ACancelLeavesWhatItHasNotPutBackAsItWas)
{
    for (const std::string& database : testing::kDefaultDatabaseOrder) {
        writeFile(program(database), "damaged");
    }
    FolderRestoreService service(clinic.program.str());
    std::uint64_t reports = 0;
    // The cancel comes while the first file is written.
    const RestoreOutcome outcome = service.restore(
        clinic.backup.str(), "", [&](const RestoreProgress&) { cancel = ++reports > 1; }, cancel);

    EXPECT_TRUE(outcome.cancelled);
    EXPECT_EQ(outcome.exitCode, kRestoreNotAll);
    for (const std::string& database : testing::kDefaultDatabaseOrder) {
        EXPECT_EQ(readFile(program(database)), "damaged") << database;
    }
    for (const std::string& entry : testing::listAll(clinic.program.path())) {
        EXPECT_EQ(entry.find(".rvtmp"), std::string::npos) << entry;
    }
}

#ifndef _WIN32
TEST_F(Restore, NeverWritesThroughALinkNorWaitsOnAPipeWhereAFileGoes)
{
    const testing::TempFolder elsewhere;
    const fs::path outside = elsewhere.path() / "outside.mdb";
    writeFile(outside, "not the clinic's");
    fs::remove_all(program("GDATA/写真"));
    fs::create_directory_symlink(elsewhere.path(), program("GDATA/写真"));
    fs::remove(program("Tavo51.mdb"));
    fs::create_symlink(outside, program("Tavo51.mdb"));
    fs::remove(program("GDATA/b.txt"));
    ASSERT_EQ(::mkfifo(testing::u8string(program("GDATA/b.txt")).c_str(), 0600), 0);

    EXPECT_EQ(restore(), kRestoreNotAll);
    for (const char* named : {"写真", "Tavo51.mdb", "b.txt"}) {
        EXPECT_NE(restoreOutput().find(named), std::string::npos) << named << "\n" << restoreOutput();
    }
    EXPECT_EQ(testing::listAll(elsewhere.path()), std::vector<std::string>{"outside.mdb"});
    EXPECT_EQ(readFile(outside), "not the clinic's");
    EXPECT_TRUE(fs::is_symlink(program("GDATA/写真")));
    EXPECT_TRUE(fs::is_symlink(program("Tavo51.mdb")));
    EXPECT_TRUE(fs::is_fifo(program("GDATA/b.txt")));
    EXPECT_EQ(readFile(program("GDATA/c/d.txt")), testing::SampleClinic::contentFor("c/d.txt", 300));
}
#endif

} // namespace
} // namespace rv
