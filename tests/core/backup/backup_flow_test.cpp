#include "backup/backup_flow.h"

#include "backup/backup_plan.h"
#include "platform/paths.h"
#include "recording_front_end.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#endif

using rv::BackupFlow;
using rv::FlowEnd;
using rv::testing::kDefaultDatabaseOrder;
using rv::testing::readFile;
using rv::testing::RecordingFrontEnd;
using rv::testing::SampleClinic;
using rv::testing::u8path;

namespace fs = std::filesystem;

namespace {

using Steps = std::vector<std::string>;

Steps operator+(Steps first, const Steps& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// Each moment of a command at which a dialog of it is open.
struct Phase {
    const char* name;
    std::function<void()> RecordingFrontEnd::*during;
    Steps stepsUntilThen; // after "choose" and "keep"
};
const Phase kPhases[] = {
    {"folder browser", &RecordingFrontEnd::duringChoice, {}},
    {"open-database question", &RecordingFrontEnd::duringQuestion, {"ask"}},
    {"progress", &RecordingFrontEnd::duringRun, {"ask", "wait"}},
    {"closing box", &RecordingFrontEnd::duringClosingBox, {"ask", "wait", "show"}},
};

// A lock file beside 予約51.mdb, held as the database engine holds it while
// the database is open.
class OpenDatabase {
public:
    explicit OpenDatabase(const SampleClinic& clinic) : lock_(clinic.program.path() / u8path("予約51.ldb"))
    {
        rv::testing::writeFile(lock_, "lock");
#ifdef _WIN32
        engine_ = CreateFileW(lock_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#endif
    }
    OpenDatabase(const OpenDatabase&) = delete;
    OpenDatabase& operator=(const OpenDatabase&) = delete;
    ~OpenDatabase()
    {
#ifdef _WIN32
        CloseHandle(engine_);
#endif
    }
    std::string lockFile() const { return rv::testing::u8string(lock_); }

private:
    fs::path lock_;
#ifdef _WIN32
    HANDLE engine_ = INVALID_HANDLE_VALUE;
#endif
};

// The clinic, its settings and a flow over them, with a front end that
// chooses the backup folder.
struct Bed {
    explicit Bed(const std::map<std::size_t, std::string>& fields = {}) : clinic(fields)
    {
        frontEnd.nextFolder = clinic.backup.str();
    }
    // The settings are read once the test has laid out the clinic.
    BackupFlow& flow()
    {
        if (!flow_) {
            settings = clinic.settings();
            flow_ = std::make_unique<BackupFlow>(settings, clinic.program.str());
        }
        return *flow_;
    }
    FlowEnd run() { return flow().run(frontEnd); }
    std::string keepBackup() const { return "keep " + clinic.backup.str(); }

    SampleClinic clinic;
    rv::Settings settings;
    RecordingFrontEnd frontEnd;

private:
    std::unique_ptr<BackupFlow> flow_;
};

} // namespace

TEST(BackupFlow, ChosenFolderIsCopiedIntoAndTheOutcomeShown)
{
    Bed bed;
    bed.clinic.addDatabases(kDefaultDatabaseOrder);
    bed.clinic.addDataFiles({"患者/0001/写真.jpg"});
    EXPECT_EQ(bed.run(), FlowEnd::Finished);

    EXPECT_EQ(bed.frontEnd.steps, (Steps{"choose", bed.keepBackup(), "wait", "show"}));
    ASSERT_EQ(bed.frontEnd.shown.size(), 1U);
    EXPECT_EQ(bed.frontEnd.shown[0].caption, "RVシステム");
    EXPECT_EQ(bed.frontEnd.shown[0].text, "データのバックアップが終わりました。");
    EXPECT_EQ(bed.frontEnd.shown[0].icon, rv::MessageIcon::None);
    for (const auto& name : kDefaultDatabaseOrder) {
        EXPECT_EQ(readFile(bed.clinic.backup.path() / u8path(name)),
                  readFile(bed.clinic.program.path() / u8path(name)));
    }
    EXPECT_EQ(readFile(bed.clinic.backup.path() / u8path("GDATA/患者/0001/写真.jpg")),
              readFile(bed.clinic.program.path() / u8path("GDATA/患者/0001/写真.jpg")));
    EXPECT_FALSE(bed.flow().isBusy());
}

TEST(BackupFlow, ChoicesThatNameNoFolderEndAsACancel)
{
    struct Case {
        std::optional<std::string> chosen;
        Steps steps;
        std::string logged;
    };
    // What a picker returns for a choice that is no folder on disk: NULs only.
    const std::string nuls(256, '\0');
    const Case cases[] = {
        {std::nullopt, {"choose"}, "folder selection cancelled"},
        {"", {"choose", "keep "}, "the selection has no file-system path; ended as a cancel"},
        {nuls, {"choose", "keep "}, "the selection has no file-system path; ended as a cancel"},
    };
    for (const Case& c : cases) {
        Bed bed;
        bed.clinic.addDatabases({"予約51.mdb"});
        bed.frontEnd.nextFolder = c.chosen;
        EXPECT_EQ(bed.run(), FlowEnd::Cancelled) << c.logged;
        EXPECT_EQ(bed.frontEnd.steps, c.steps);
        EXPECT_EQ(bed.frontEnd.logged(c.logged), 1U);
        EXPECT_TRUE(bed.frontEnd.shown.empty());
        EXPECT_TRUE(fs::is_empty(bed.clinic.backup.path()));
    }
}

TEST(BackupFlow, ChosenPathIsCutAtTheFirstNul)
{
    Bed bed;
    bed.clinic.addDatabases({"予約51.mdb"});
    bed.frontEnd.nextFolder = bed.clinic.backup.str() + '\0' + "/elsewhere" + std::string(200, '\0');
    EXPECT_EQ(bed.run(), FlowEnd::Finished);

    EXPECT_EQ(bed.frontEnd.steps, (Steps{"choose", bed.keepBackup(), "wait", "show"}));
    EXPECT_EQ(readFile(bed.clinic.backup.path() / u8path("予約51.mdb")),
              readFile(bed.clinic.program.path() / u8path("予約51.mdb")));
    EXPECT_EQ(bed.frontEnd.shown.size(), 1U);
}

TEST(BackupFlow, RefusedFoldersAreNamedBeforeAnythingIsAskedOrCopied)
{
    Bed bed;
    bed.clinic.addDatabases({"予約51.mdb"});
    bed.clinic.addDataFiles({"a.txt"});
    const OpenDatabase open(bed.clinic);
    struct Case {
        std::string folder;
        std::string text; // the whole message, or its start
    };
    const Case cases[] = {
        {rv::testing::u8string(bed.clinic.program.path() / "GDATA"),
         "保存先がGDATAフォルダの中にあるため、バックアップできません。別のフォルダを選んでください。"},
        {bed.clinic.program.str(), rv::describePlanRefusal(rv::PlanRefusal::DestinationIsProgramFolder)},
        {rv::testing::u8string(bed.clinic.backup.path() / "not-there"), "保存先のフォルダが見つかりません："},
    };
    for (const Case& c : cases) {
        bed.frontEnd.steps.clear();
        bed.frontEnd.shown.clear();
        bed.frontEnd.nextFolder = c.folder;
        EXPECT_EQ(bed.run(), FlowEnd::Refused) << c.folder;
        EXPECT_EQ(bed.frontEnd.steps, (Steps{"choose", "keep " + c.folder, "refuse"}));
        ASSERT_EQ(bed.frontEnd.shown.size(), 1U);
        EXPECT_EQ(bed.frontEnd.shown[0].caption, "RVシステム");
        EXPECT_TRUE(bed.frontEnd.shown[0].text.starts_with(c.text)) << bed.frontEnd.shown[0].text;
        EXPECT_EQ(bed.frontEnd.shown[0].icon, rv::MessageIcon::Warning);
        EXPECT_EQ(bed.frontEnd.logged("destination refused: " + bed.frontEnd.shown[0].text), 1U);
    }
    EXPECT_FALSE(fs::exists(bed.clinic.program.path() / "GDATA" / u8path("予約51.mdb")));
    EXPECT_TRUE(fs::is_empty(bed.clinic.backup.path()));
}

TEST(BackupFlow, FailuresAreListedUnderAWarning)
{
    Bed bed({{4, "/nonexistent/予約51.mdb"}});
    bed.clinic.addDatabases(kDefaultDatabaseOrder);
    fs::remove(bed.clinic.program.path() / "Tavo2_51.mdb");
    bed.clinic.addDataFiles({"a.txt"});
    EXPECT_EQ(bed.run(), FlowEnd::Finished);

    ASSERT_EQ(bed.frontEnd.shown.size(), 1U);
    EXPECT_EQ(bed.frontEnd.shown[0].icon, rv::MessageIcon::Warning);
    EXPECT_EQ(bed.frontEnd.shown[0].text, "データのバックアップが終わりましたが、コピーできなかったものがあります。\n"
                                          "・予約51.mdb：見つかりません\n"
                                          "\n"
                                          "次のファイルは標準の場所にないため、コピーしていません。\n"
                                          "・Tavo2_51.mdb");
}

TEST(BackupFlow, OpenDatabasesAreCopiedOnlyWhenTheUserSaysYes)
{
    for (const bool yes : {false, true}) {
        Bed bed;
        bed.clinic.addDatabases({"予約51.mdb"});
        const OpenDatabase open(bed.clinic);
        bed.frontEnd.answerYes = yes;
        EXPECT_EQ(bed.run(), yes ? FlowEnd::Finished : FlowEnd::Declined);

        const Steps asked{"choose", bed.keepBackup(), "ask"};
        const Steps expected = yes ? asked + Steps{"wait", "show"} : asked;
        EXPECT_EQ(bed.frontEnd.steps, expected);
        ASSERT_EQ(bed.frontEnd.askedAbout.size(), 1U);
        EXPECT_NE(rv::describeOpenDatabasesQuestion(bed.frontEnd.askedAbout).find("\n・予約51.mdb\n"),
                  std::string::npos);
        EXPECT_EQ(bed.frontEnd.logged("probably open: " + open.lockFile()), 1U);
        EXPECT_EQ(
            bed.frontEnd.logged(yes ? "copying the open databases as the user chose" : "not copied: databases open"),
            1U);
        EXPECT_EQ(fs::exists(bed.clinic.backup.path() / u8path("予約51.mdb")), yes);
        EXPECT_EQ(bed.frontEnd.shown.size(), yes ? 1U : 0U);
    }
}

// A button press that reaches the program while one of the command's dialogs
// is open (a BM_CLICK, a screen reader's Invoke) starts nothing.
TEST(BackupFlow, ASecondCommandDoesNothingFromTheClickUntilTheClosingBoxIsGone)
{
    for (const Phase& phase : kPhases) {
        Bed bed;
        bed.clinic.addDatabases({"予約51.mdb"});
        const OpenDatabase open(bed.clinic);
        bed.frontEnd.answerYes = true;
        std::optional<FlowEnd> second;
        bed.frontEnd.*phase.during = [&] {
            EXPECT_TRUE(bed.flow().isBusy());
            second = bed.run();
        };
        EXPECT_EQ(bed.run(), FlowEnd::Finished) << phase.name;
        EXPECT_EQ(second, FlowEnd::Busy) << phase.name;
        EXPECT_EQ(bed.frontEnd.steps, (Steps{"choose", bed.keepBackup(), "ask", "wait", "show"})) << phase.name;
        EXPECT_EQ(bed.frontEnd.logged("a backup is already running; the click is ignored"), 1U) << phase.name;

        // Once the closing box is gone, the button works again.
        bed.frontEnd.*phase.during = nullptr;
        bed.frontEnd.nextFolder.reset();
        EXPECT_EQ(bed.run(), FlowEnd::Cancelled) << phase.name;
        EXPECT_EQ(std::count(bed.frontEnd.steps.begin(), bed.frontEnd.steps.end(), "choose"), 2) << phase.name;
    }
}

// Closing the main window during a command: a run is cancelled and waited
// for, nothing further is asked or shown, and then the program ends.
TEST(BackupFlow, ClosingTheWindowDuringACommandStopsItAndThenEnds)
{
    for (const Phase& phase : kPhases) {
        Bed bed;
        // Large enough that the run is still copying when the close comes.
        bed.clinic.addDatabases({"Tavo51.mdb"}, 32 << 20);
        bed.clinic.addDatabases({"予約51.mdb"});
        const OpenDatabase open(bed.clinic);
        bed.frontEnd.answerYes = true;
        bed.frontEnd.*phase.during = [&] { EXPECT_FALSE(bed.flow().requestClose()) << phase.name; };
        EXPECT_EQ(bed.run(), FlowEnd::Closed) << phase.name;

        const Steps expected = Steps{"choose", bed.keepBackup()} + phase.stepsUntilThen + Steps{"end"};
        EXPECT_EQ(bed.frontEnd.steps, expected) << phase.name;
        const bool ran = phase.during == &RecordingFrontEnd::duringRun;
        EXPECT_EQ(bed.frontEnd.logged("cancel requested"), ran ? 1U : 0U) << phase.name;
        EXPECT_FALSE(bed.flow().isBusy());
        EXPECT_FALSE(bed.flow().isCopying());
    }
    // Outside a command the window closes at once.
    Bed idle;
    idle.frontEnd.nextFolder.reset();
    EXPECT_TRUE(idle.flow().requestClose());
    EXPECT_EQ(idle.run(), FlowEnd::Cancelled) << "a close that was allowed is not remembered";
}
