#include "backup/backup_plan.h"

#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using rv::BackupPlan;
using rv::BackupReason;
using rv::makeBackupPlan;
using rv::PlanRefusal;
using rv::StepKind;
using rv::testing::kDefaultDatabaseOrder;
using rv::testing::SampleClinic;
using rv::testing::TempFolder;

namespace {

BackupPlan planFor(const rv::Settings& settings, const SampleClinic& clinic)
{
    auto plan = makeBackupPlan(settings, clinic.program.str(), clinic.backup.withSeparator());
    EXPECT_TRUE(plan.ok());
    return plan.ok() ? plan.value() : BackupPlan{};
}

std::vector<std::string> namesOf(const BackupPlan& plan)
{
    std::vector<std::string> names;
    for (const auto& step : plan.steps) {
        names.push_back(step.name);
    }
    return names;
}

} // namespace

TEST(BackupPlanOrder, DefaultsInTheFixedOrderThenProgramFilesThenDataFolder)
{
    SampleClinic clinic;
    const BackupPlan plan = planFor(clinic.settings(), clinic);
    auto expected = kDefaultDatabaseOrder;
    expected.insert(expected.end(), {"rv.dat", "id.dat", "GDATA"});
    EXPECT_EQ(namesOf(plan), expected);

    const std::string bk = clinic.backup.withSeparator();
    EXPECT_EQ(plan.backupFolder, bk);
    for (const auto& step : plan.steps) {
        EXPECT_EQ(step.destination, bk + step.name);
        EXPECT_EQ(step.source, clinic.program.str() + '/' + step.name);
        EXPECT_FALSE(step.problem) << step.name;
        EXPECT_FALSE(step.overwrittenBy) << step.name;
    }
    // Defaults are modules the clinic may not use; rv.dat and id.dat are its own.
    for (std::size_t i = 0; i < 11; ++i) {
        EXPECT_TRUE(plan.steps[i].optional) << plan.steps[i].name;
        EXPECT_EQ(plan.steps[i].kind, StepKind::File);
    }
    EXPECT_FALSE(plan.steps[11].optional);
    EXPECT_FALSE(plan.steps[12].optional);
    EXPECT_TRUE(plan.steps[13].optional);
    EXPECT_EQ(plan.steps[13].kind, StepKind::Folder);
}

TEST(BackupPlanOrder, EntriesSevenToTenAndEmptyEntriesAreNotCopied)
{
    SampleClinic clinic;
    rv::Settings settings = clinic.settings();
    for (std::size_t entry = 7; entry <= 10; ++entry) {
        settings.BackupSources[entry] = "/srv/rv/entry" + std::to_string(entry) + ".mdb";
    }
    settings.BackupSources[4].clear();
    settings.BackupSources[15].clear();
    const auto names = namesOf(planFor(settings, clinic));
    ASSERT_EQ(names.size(), 12u);
    EXPECT_EQ(names.front(), "Tavo2_51.mdb");
    EXPECT_EQ(names.back(), "id.dat");
    for (const auto& name : names) {
        EXPECT_EQ(name.find("entry"), std::string::npos) << name;
    }
}

TEST(BackupPlanNames, NamedPathsOfAnyDepthLandSideBySide)
{
    SampleClinic clinic({{3, "C:\\RV\\a.mdb"},
                         {4, "D:\\x\\y\\z\\b.mdb"},
                         {5, "E:\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\深い階層.mdb"},
                         {6, "名前だけ.mdb"}});
    const BackupPlan plan = planFor(clinic.settings(), clinic);
    const std::string bk = clinic.backup.withSeparator();
    auto destinationOf = [&](const std::string& source) {
        for (const auto& step : plan.steps) {
            if (step.source == source) {
                return step.destination;
            }
        }
        return std::string("(missing)");
    };
    EXPECT_EQ(destinationOf("C:\\RV\\a.mdb"), bk + "a.mdb");
    EXPECT_EQ(destinationOf("D:\\x\\y\\z\\b.mdb"), bk + "b.mdb");
    EXPECT_EQ(destinationOf("E:\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\深い階層.mdb"), bk + "深い階層.mdb");
    EXPECT_EQ(destinationOf("名前だけ.mdb"), bk + "名前だけ.mdb");
    // Named in rv.dat: a missing file is a failure, not information.
    for (const auto& step : plan.steps) {
        if (step.name == "a.mdb" || step.name == "b.mdb") {
            EXPECT_FALSE(step.optional);
        }
    }
}

TEST(BackupPlanNames, PathsWithoutAUsableNameAreItemFailures)
{
    SampleClinic clinic({{3, "C:\\RV\\"}, {4, "/srv/rv/.."}, {5, "."}});
    const BackupPlan plan = planFor(clinic.settings(), clinic);
    std::size_t bad = 0;
    for (const auto& step : plan.steps) {
        if (step.problem == BackupReason::BadName) {
            ++bad;
            // Nothing is ever written for it: the destination is the folder itself.
            EXPECT_EQ(step.destination, plan.backupFolder);
            EXPECT_FALSE(step.overwrittenBy);
        }
    }
    EXPECT_EQ(bad, 3u);
    EXPECT_EQ(plan.steps.size(), 14u);
}

TEST(BackupPlanNames, SameNameTwiceIsNamedAsACollision)
{
    // Entry 2 (field 5) is copied before entry 1 (field 4); field 7 is entry 4,
    // copied first; "rv.dat" as a database name collides with the program's rv.dat.
    SampleClinic clinic({{4, "C:\\one\\同じ.mdb"}, {5, "D:\\two\\同じ.mdb"}, {7, "E:\\rv.dat"}});
    const BackupPlan plan = planFor(clinic.settings(), clinic);
    auto indexOf = [&](const std::string& source) {
        for (std::size_t i = 0; i < plan.steps.size(); ++i) {
            if (plan.steps[i].source == source) {
                return i;
            }
        }
        return plan.steps.size();
    };
    const std::size_t first = indexOf("D:\\two\\同じ.mdb");
    const std::size_t second = indexOf("C:\\one\\同じ.mdb");
    ASSERT_LT(first, second);
    EXPECT_EQ(plan.steps[first].overwrittenBy, second);
    EXPECT_FALSE(plan.steps[second].overwrittenBy);
    const std::size_t programRvDat = indexOf(clinic.program.str() + "/rv.dat");
    EXPECT_EQ(plan.steps[indexOf("E:\\rv.dat")].overwrittenBy, programRvDat);
}

TEST(BackupPlanSafety, DestinationInsideOrEqualToTheDataFolderIsRefused)
{
    SampleClinic clinic;
    clinic.addDataFiles({"sub/a.txt"});
    const rv::Settings settings = clinic.settings();
    const std::string gdata = rv::testing::u8string(clinic.program.path() / "GDATA");
    for (const std::string& destination : {gdata + "/", gdata + "/sub/", gdata + "/sub/../"}) {
        auto plan = makeBackupPlan(settings, clinic.program.str(), destination);
        ASSERT_FALSE(plan.ok()) << destination;
        EXPECT_EQ(plan.error(), PlanRefusal::DestinationInsideDataFolder);
    }
    EXPECT_EQ(rv::describePlanRefusal(PlanRefusal::DestinationInsideDataFolder),
              "保存先がGDATAフォルダの中にあるため、バックアップできません。別のフォルダを選んでください。");
}

TEST(BackupPlanSafety, DestinationEqualToTheProgramFolderIsRefusedWhateverItsSpelling)
{
    SampleClinic clinic;
    std::filesystem::create_directory(clinic.program.path() / "sub");
    const rv::Settings settings = clinic.settings();
    // Names no comparison of the text would match: a detour through a
    // subfolder, and the file system's own aliasing.
    std::vector<std::string> spellings = {clinic.program.withSeparator(),
                                          rv::testing::u8string(clinic.program.path() / "sub" / "..") + "/"};
#ifdef _WIN32
    // Windows folds the case of names.
    std::string capitals = clinic.program.str();
    std::transform(capitals.begin(), capitals.end(), capitals.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    spellings.push_back(capitals + "\\");
#else
    TempFolder links;
    std::filesystem::create_directory_symlink(clinic.program.path(), links.path() / "alias");
    spellings.push_back(rv::testing::u8string(links.path() / "alias") + "/");
#endif
    for (const std::string& destination : spellings) {
        auto plan = makeBackupPlan(settings, clinic.program.str(), destination);
        ASSERT_FALSE(plan.ok()) << destination;
        EXPECT_EQ(plan.error(), PlanRefusal::DestinationIsProgramFolder);
    }
    EXPECT_EQ(rv::describePlanRefusal(PlanRefusal::DestinationIsProgramFolder),
              "保存先がプログラムのフォルダと同じため、バックアップできません。別のフォルダを選んでください。");
}

TEST(BackupPlanSafety, ACopyOntoItselfIsSkippedAndNamed)
{
    SampleClinic clinic;
    // A database kept in the backup folder itself, and a data folder that is
    // the backup folder's own GDATA.
    const auto database = clinic.backup.path() / rv::testing::u8path("予約51.mdb");
    rv::testing::writeFile(database, "live data");
    rv::testing::writeFile(clinic.backup.path() / "GDATA" / "x.txt", "x");
    rv::Settings settings = clinic.settings();
    settings.BackupSources[1] = rv::testing::u8string(database);
    settings.BackupSources[15] = rv::testing::u8string(clinic.backup.path() / "GDATA");
    const BackupPlan plan = planFor(settings, clinic);
    std::vector<std::string> selfCopies;
    for (const auto& step : plan.steps) {
        if (step.problem == BackupReason::SelfCopy) {
            selfCopies.push_back(step.name);
        }
    }
    EXPECT_EQ(selfCopies, (std::vector<std::string>{"予約51.mdb", "GDATA"}));
}
