// Faults of a clinic's own files, met by the real program run as a scheduled
// task runs it (--backup-to). Meant to run as an ordinary user: root reads
// and replaces what a clinic's staff cannot, so these faults never bite it.
#include "running_program.h"

#include "platform/paths.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using rv::testing::readFile;
using rv::testing::SampleClinic;
using rv::testing::u8path;
using rv::testing::writeFile;

namespace {

fs::path programExe;       // the build's rvdatebackup.exe
fs::path unreadableSource; // a file this user may not read (made so on the Unix side)

void setReadOnly(const fs::path& path, bool readOnly)
{
    SetFileAttributesW(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

bool isReadOnly(const fs::path& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

class ProgramFaultsTest : public ::testing::Test {
protected:
    explicit ProgramFaultsTest(const std::map<std::size_t, std::string>& fields = {}) : clinic_(fields)
    {
        fs::copy_file(programExe, clinic_.program.path() / "rvdatebackup.exe");
        clinic_.addDatabases(rv::testing::kDefaultDatabaseOrder);
        clinic_.addDataFiles({"患者/0001/問診票.txt", "設定/layout.ini"});
    }

    void TearDown() override
    {
        // Read-only files would outlive their folders.
        for (const fs::path& root : {clinic_.program.path(), clinic_.backup.path()}) {
            for (const auto& entry : fs::recursive_directory_iterator(root)) {
                setReadOnly(entry.path(), false);
            }
        }
    }

    rv::test::ConsoleRun backUp() const
    {
        return rv::test::runToEnd((clinic_.program.path() / "rvdatebackup.exe").native(),
                                  L"--backup-to \"" + clinic_.backup.path().native() + L"\"",
                                  clinic_.program.path().native());
    }

    fs::path source(const std::string& relative) const { return clinic_.program.path() / u8path(relative); }
    fs::path copy(const std::string& relative) const { return clinic_.backup.path() / u8path(relative); }

    SampleClinic clinic_;
};

// The copies keep the attribute: a restore gives the clinic its files as they were.
TEST_F(ProgramFaultsTest, ReadOnlySourcesBackUpTwiceInARowAndTheirCopiesStayReadOnly)
{
    const std::vector<std::string> readOnly = {"rv.dat", "予約51.mdb", "GDATA/設定/layout.ini"};
    for (const std::string& file : readOnly) {
        setReadOnly(source(file), true);
    }
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        if (run == 2) {
            // A change the second backup must bring over the read-only copy.
            setReadOnly(source("予約51.mdb"), false);
            writeFile(source("予約51.mdb"), "changed since the first backup");
            setReadOnly(source("予約51.mdb"), true);
        }
        const auto result = backUp();
        EXPECT_EQ(result.exitCode, 0) << result.output;
        for (const std::string& file : readOnly) {
            EXPECT_EQ(readFile(copy(file)), readFile(source(file))) << file;
            EXPECT_TRUE(isReadOnly(copy(file))) << file;
        }
    }
}

class UnreadableSourceTest : public ProgramFaultsTest {
protected:
    // rv.dat names the unreadable file as the main database.
    UnreadableSourceTest() : ProgramFaultsTest({{3, rv::platform::fromPath(unreadableSource)}}) {}
};

TEST_F(UnreadableSourceTest, IsNamedAsUnreadableAndEverythingElseIsCopied)
{
    if (std::ifstream(unreadableSource)) {
        GTEST_SKIP() << "skipped: this user may read every file (run as an ordinary user)";
    }
    const auto result = backUp();
    EXPECT_EQ(result.exitCode, 1) << result.output;
    const std::string name = rv::platform::fromPath(unreadableSource.filename());
    EXPECT_NE(result.output.find("・" + name + "：読み取れません"), std::string::npos) << result.output;
    EXPECT_FALSE(fs::exists(copy(name)));
    EXPECT_EQ(readFile(copy("予約51.mdb")), readFile(source("予約51.mdb")));
    EXPECT_EQ(readFile(copy("GDATA/患者/0001/問診票.txt")), readFile(source("GDATA/患者/0001/問診票.txt")));
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: win32_fault_tests RVDATEBACKUP.EXE UNREADABLE-FILE\n");
        return 2;
    }
    programExe = rv::test::fromUnixArgument(argv[1]);
    unreadableSource = rv::test::fromUnixArgument(argv[2]);
    return RUN_ALL_TESTS();
}
