#include "backup/unattended_backup.h"

#include "backup/backup_plan.h"
#include "common/path_text.h"
#include "platform/paths.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

using rv::testing::kDefaultDatabaseOrder;
using rv::testing::readFile;
using rv::testing::SampleClinic;

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int exitCode;
    std::string output;
};

Outcome runUnattended(const SampleClinic& clinic, const std::string& destination)
{
    std::ostringstream out;
    std::atomic<bool> cancel{false};
    const int code = rv::runUnattendedBackup(clinic.program.str(), destination, out, cancel);
    return {code, out.str()};
}

std::size_t countLines(const std::string& text, const std::string& prefix)
{
    std::size_t count = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        count += line.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

} // namespace

TEST(UnattendedBackup, EverythingCopiedExitsZeroWithOneLinePerItem)
{
    SampleClinic clinic;
    clinic.addDatabases(kDefaultDatabaseOrder);
    clinic.addDataFiles({"x/y.txt"});
    const Outcome outcome = runUnattended(clinic, clinic.backup.str());

    EXPECT_EQ(outcome.exitCode, rv::kExitAllCopied) << outcome.output;
    EXPECT_EQ(countLines(outcome.output, "OK  "), 14u);
    const std::string sep(1, rv::platform::kNativeSeparator);
    EXPECT_NE(outcome.output.find("OK      " + clinic.program.str() + sep + "id.dat -> " + clinic.backup.str() + sep +
                                  "id.dat\n"),
              std::string::npos)
        << outcome.output;
    EXPECT_NE(outcome.output.find("14 件中 14 件をコピーしました。\n\nデータのバックアップが終わりました。\n"),
              std::string::npos)
        << outcome.output;
    EXPECT_EQ(readFile(clinic.backup.path() / "GDATA/x/y.txt"), readFile(clinic.program.path() / "GDATA/x/y.txt"));
}

TEST(UnattendedBackup, SomethingNotCopiedExitsOne)
{
    SampleClinic clinic({{4, "/nonexistent/予約51.mdb"}});
    clinic.addDatabases({"Tavo51.mdb"});
    const Outcome outcome = runUnattended(clinic, clinic.backup.str());

    EXPECT_EQ(outcome.exitCode, rv::kExitNotAllCopied) << outcome.output;
    EXPECT_NE(outcome.output.find("FAILED  " + rv::nativeSeparators("/nonexistent/予約51.mdb") + " -> " +
                                  clinic.backup.str() + rv::platform::kNativeSeparator +
                                  "予約51.mdb (見つかりません)\n"),
              std::string::npos)
        << outcome.output;
    // Modules the clinic does not use are information, not the reason for the
    // exit code: nine default databases and GDATA.
    EXPECT_EQ(countLines(outcome.output, "ABSENT"), 10u);
    // Counted as the record counts: of the four there were to copy, three.
    EXPECT_NE(outcome.output.find("4 件中 3 件をコピーしました。"), std::string::npos) << outcome.output;
    EXPECT_TRUE(fs::exists(clinic.backup.path() / "Tavo51.mdb"));
}

TEST(UnattendedBackup, FatalProblemsExitTwoBeforeAnythingIsCopied)
{
    SampleClinic clinic;
    clinic.addDataFiles({"a.txt"});
    const std::string gdata = rv::testing::u8string(clinic.program.path() / "GDATA");

    Outcome outcome = runUnattended(clinic, rv::testing::u8string(clinic.backup.path() / "not-there"));
    EXPECT_EQ(outcome.exitCode, rv::kExitFatal);
    EXPECT_EQ(outcome.output.rfind("保存先のフォルダが見つかりません：", 0), 0u) << outcome.output;

    outcome = runUnattended(clinic, gdata);
    EXPECT_EQ(outcome.exitCode, rv::kExitFatal);
    EXPECT_EQ(outcome.output, rv::describePlanRefusal(rv::PlanRefusal::DestinationInsideDataFolder) + "\n");

    outcome = runUnattended(clinic, clinic.program.str());
    EXPECT_EQ(outcome.exitCode, rv::kExitFatal);
    EXPECT_EQ(outcome.output, rv::describePlanRefusal(rv::PlanRefusal::DestinationIsProgramFolder) + "\n");

    outcome = runUnattended(clinic, "");
    EXPECT_EQ(outcome.exitCode, rv::kExitFatal);

    fs::remove(clinic.program.path() / "rv.dat");
    outcome = runUnattended(clinic, clinic.backup.str());
    EXPECT_EQ(outcome.exitCode, rv::kExitFatal);
    EXPECT_NE(outcome.output.find("53"), std::string::npos) << outcome.output;

    EXPECT_TRUE(fs::is_empty(clinic.backup.path()));
}

TEST(UnattendedBackup, ADatabaseThatLooksOpenIsCopiedAndNamedAsAWarning)
{
    SampleClinic clinic;
    clinic.addDatabases({"予約51.mdb", "Tavo51.mdb"});
    const auto lock = clinic.program.path() / rv::testing::u8path("予約51.ldb");
    rv::testing::writeFile(lock, "lock");
#ifdef _WIN32
    // The database engine holds its lock file open while the database is.
    HANDLE engine = CreateFileW(lock.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(engine, INVALID_HANDLE_VALUE);
#endif
    const Outcome outcome = runUnattended(clinic, clinic.backup.str());
#ifdef _WIN32
    CloseHandle(engine);
#endif

    EXPECT_EQ(outcome.exitCode, rv::kExitAllCopied) << outcome.output;
    EXPECT_EQ(countLines(outcome.output, "WARNING  予約51.mdb "), 1u) << outcome.output;
    EXPECT_EQ(countLines(outcome.output, "WARNING"), 1u) << "Tavo51.mdb has no lock file";
    EXPECT_EQ(readFile(clinic.backup.path() / rv::testing::u8path("予約51.mdb")),
              readFile(clinic.program.path() / rv::testing::u8path("予約51.mdb")));
}
