// Names and paths that a backup meets in the wild: characters that CP932
// cannot hold, Windows-only CP932 characters in rv.dat, paths deeper than
// eleven folders and longer than 256 characters, and paths with no file name.
#include "backup/backup_message.h"
#include "backup/backup_plan.h"
#include "backup/backup_run.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <utility>

using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

// Fourteen folders, 378 characters: past MAX_PATH and past the records
// system's scan of eleven separators.
std::string deepFolder()
{
    std::string deep;
    for (int level = 10; level < 24; ++level) {
        deep += "階層フォルダ-long-folder-name-" + std::to_string(level) + "/";
    }
    return deep;
}

struct NameCase {
    const char* name;
    // rv.dat fields; "{records}" is the records system's own folder, elsewhere.
    std::map<std::size_t, std::string> fields;
    std::vector<std::string> recordsFiles; // made under {records}
    std::string destination;               // under the backup folder; empty: the backup folder itself
    // What must be in the destination, and where it came from.
    std::vector<std::pair<std::string, std::string>> copies;
    std::string message; // "{records}" stands for that folder here too
};

const NameCase kCases[] = {
    {"NamesOutsideCp932InTheDataFolder",
     {{14, "{records}/GDATA"}},
     {"GDATA/絵文字😀.jpg", "GDATA/🏥診療所/カルテ.pdf", "GDATA/\xff\xfe壊れた名前.bin"},
     {},
     {{"GDATA/絵文字😀.jpg", "{records}/GDATA/絵文字😀.jpg"},
      {"GDATA/🏥診療所/カルテ.pdf", "{records}/GDATA/🏥診療所/カルテ.pdf"},
      {"GDATA/\xff\xfe壊れた名前.bin", "{records}/GDATA/\xff\xfe壊れた名前.bin"}},
     "データのバックアップが終わりました。"},
    {"WindowsCharactersOfCp932InRvDat",
     {{3, "{records}/髙橋①～－/臨床RV51N.mdb"}, {4, "{records}/№㈱～.mdb"}},
     {"髙橋①～－/臨床RV51N.mdb", "№㈱～.mdb"},
     {},
     {{"臨床RV51N.mdb", "{records}/髙橋①～－/臨床RV51N.mdb"}, {"№㈱～.mdb", "{records}/№㈱～.mdb"}},
     "データのバックアップが終わりました。"},
    {"SourceDeeperThanElevenFoldersAndLongerThan256",
     {{4, "{records}/" + deepFolder() + "予約51.mdb"}},
     {deepFolder() + "予約51.mdb"},
     {},
     {{"予約51.mdb", "{records}/" + deepFolder() + "予約51.mdb"}},
     "データのバックアップが終わりました。"},
    {"DestinationLongerThan256",
     {},
     {},
     deepFolder(),
     {{"臨床RV51N.mdb", "{program}/臨床RV51N.mdb"}, {"GDATA/a.txt", "{program}/GDATA/a.txt"}},
     "データのバックアップが終わりました。"},
    {"PathsEndingInNoFileName",
     {{3, "C:\\RV\\"}, {4, "{records}/.."}, {5, "."}},
     {},
     "bk",
     {{"Tavo51.mdb", "{program}/Tavo51.mdb"}, {"rv.dat", "{program}/rv.dat"}},
     "データのバックアップが終わりましたが、コピーできなかったものがあります。\n"
     "・.：ファイル名が正しくありません\n"
     "・{records}/..：ファイル名が正しくありません\n"
     "・C:\\RV\\：ファイル名が正しくありません"},
};

void PrintTo(const NameCase& nameCase, std::ostream* out) { *out << nameCase.name; }

std::string expand(std::string text, const std::map<std::string, std::string>& places)
{
    for (const auto& [placeholder, path] : places) {
        for (auto at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at)) {
            text.replace(at, placeholder.size(), path);
            at += path.size();
        }
    }
    return text;
}

class AwkwardNames : public ::testing::TestWithParam<NameCase> {
protected:
    AwkwardNames() : places_{{"{records}", records_.str()}}
    {
        std::map<std::size_t, std::string> fields;
        for (const auto& [index, field] : GetParam().fields) {
            fields[index] = expand(field, places_);
        }
        clinic_.emplace(fields);
        places_["{program}"] = clinic_->program.str();
        clinic_->addDatabases(kDefaultDatabaseOrder);
        clinic_->addDataFiles({"a.txt"});
        for (const auto& relative : GetParam().recordsFiles) {
            writeFile(records_.path() / relative, SampleClinic::contentFor(relative, 2000));
        }
    }

    TempFolder records_; // where the records system keeps its files, away from the program
    std::map<std::string, std::string> places_;
    std::optional<SampleClinic> clinic_;
};

} // namespace

TEST_P(AwkwardNames, AreCopiedOrNamedAsFailuresAndNothingLandsOutsideTheDestination)
{
    const NameCase& nameCase = GetParam();
    const fs::path destination = clinic_->backup.path() / nameCase.destination;
    fs::create_directories(destination);
    auto plan = rv::makeBackupPlan(clinic_->settings(), clinic_->program.str(), destination.string() + "/");
    ASSERT_TRUE(plan.ok());
    const std::atomic<bool> cancel{false};
    const rv::BackupResult result = rv::runBackup(plan.value(), {}, cancel);

    EXPECT_EQ(rv::describeBackupResult(result).text, expand(nameCase.message, places_));
    EXPECT_EQ(result.notes, std::vector<rv::RunNote>{});
    for (const auto& [copy, source] : nameCase.copies) {
        const std::string original = readFile(expand(source, places_));
        EXPECT_FALSE(original.empty()) << source;
        EXPECT_EQ(readFile(destination / copy), original) << copy;
    }
    const std::string top = nameCase.destination.substr(0, nameCase.destination.find('/'));
    if (!top.empty()) {
        std::vector<std::string> beside;
        for (const auto& entry : fs::directory_iterator(clinic_->backup.path())) {
            beside.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(beside, std::vector<std::string>{top}) << "written beside the destination";
    }
}

INSTANTIATE_TEST_SUITE_P(Names, AwkwardNames, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });
