// Destinations that would copy the clinic's data into or onto itself, also
// when a mount gives them another name: refused before anything is written.
#include "backup/backup_plan.h"
#include "backup/unattended_backup.h"
#include "fault_bed.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

using rv::PlanRefusal;
using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

struct Place {
    FaultBed bed;
    TempFolder elsewhere;
    std::optional<Mount> alias; // after elsewhere: unmounted before it goes

    // The folder source under a second name, elsewhere/alias.
    rv::Result<fs::path, std::string> bindElsewhere(const fs::path& source)
    {
        const fs::path folder = elsewhere.path() / "alias";
        fs::create_directory(folder);
        auto mounted = Mount::bind(source, folder);
        if (!mounted.ok()) {
            return rv::Result<fs::path, std::string>::failure(mounted.error());
        }
        alias.emplace(std::move(mounted.value()));
        return rv::Result<fs::path, std::string>::success(folder);
    }
};

using Destination = rv::Result<fs::path, std::string>;

struct UnsafeDestination {
    const char* name;
    bool needsMount;
    std::function<Destination(Place&)> make;
    PlanRefusal refusal;
};

void PrintTo(const UnsafeDestination& unsafe, std::ostream* out) { *out << unsafe.name; }

Destination at(const fs::path& path) { return Destination::success(path); }

Destination within(Destination folder, const char* relative)
{
    return folder.ok() ? at(folder.value() / relative) : folder;
}

const UnsafeDestination kDestinations[] = {
    {"DataFolderItself", false, [](Place& place) { return at(place.bed.source("GDATA")); },
     PlanRefusal::DestinationInsideDataFolder},
    {"FolderInsideTheDataFolder", false, [](Place& place) { return at(place.bed.source("GDATA/写真")); },
     PlanRefusal::DestinationInsideDataFolder},
    {"BindMountOfTheDataFolder", true, [](Place& place) { return place.bindElsewhere(place.bed.source("GDATA")); },
     PlanRefusal::DestinationInsideDataFolder},
    {"FolderInsideABindMountOfTheDataFolder", true,
     [](Place& place) { return within(place.bindElsewhere(place.bed.source("GDATA")), "写真"); },
     PlanRefusal::DestinationInsideDataFolder},
    {"ProgramFolderItself", false, [](Place& place) { return at(place.bed.clinic.program.path()); },
     PlanRefusal::DestinationIsProgramFolder},
    {"BindMountOfTheProgramFolder", true,
     [](Place& place) { return place.bindElsewhere(place.bed.clinic.program.path()); },
     PlanRefusal::DestinationIsProgramFolder},
};

class UnsafeDestinations : public ::testing::TestWithParam<UnsafeDestination> {
protected:
    void SetUp() override
    {
        if (const auto reason = mountUnavailable(); reason && GetParam().needsMount) {
            GTEST_SKIP() << *reason;
        }
        const Destination made = GetParam().make(place);
        ASSERT_TRUE(made.ok()) << made.error();
        destination = made.value();
        before = snapshot(place.bed.clinic.program.path());
    }

    Place place;
    fs::path destination;
    std::map<std::string, std::string> before;
};

} // namespace

TEST_P(UnsafeDestinations, AreRefusedBeforeAnythingIsWritten)
{
    const UnsafeDestination& unsafe = GetParam();
    auto plan =
        rv::makeBackupPlan(place.bed.clinic.settings(), place.bed.clinic.program.str(), destination.string() + "/");
    ASSERT_FALSE(plan.ok());
    EXPECT_EQ(plan.error(), unsafe.refusal);

    std::ostringstream out;
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(rv::runUnattendedBackup(place.bed.clinic.program.str(), destination.string(), out, cancel),
              rv::kExitFatal);
    EXPECT_EQ(out.str(), rv::describePlanRefusal(unsafe.refusal) + "\n");
    EXPECT_EQ(snapshot(place.bed.clinic.program.path()), before);
}

TEST_P(UnsafeDestinations, AreRefusedByTheProgramWithExitCodeTwo)
{
    if (const auto reason = programUnavailable()) {
        GTEST_SKIP() << *reason;
    }
    const ChildOutcome outcome = place.bed.runProgram({}, destination);
    EXPECT_EQ(outcome.exitCode, rv::kExitFatal) << outcome.output;
    EXPECT_EQ(outcome.output, rv::describePlanRefusal(GetParam().refusal) + "\n");
    // The program's own copy beside rv.dat is the one new file.
    auto after = snapshot(place.bed.clinic.program.path());
    EXPECT_EQ(after.erase("rvdatebackup"), 1u);
    EXPECT_EQ(after, before);
}

INSTANTIATE_TEST_SUITE_P(Destinations, UnsafeDestinations, ::testing::ValuesIn(kDestinations),
                         [](const auto& info) { return std::string(info.param.name); });
