#include "backup/unattended_backup.h"
#include "check_run.h"
#include "record/backup_check.h"
#include "record/backup_record.h"
#include "support/sample_clinic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using rv::testing::CheckRun;
using rv::testing::kDefaultDatabaseOrder;
using rv::testing::readFile;
using rv::testing::SampleClinic;
using rv::testing::TempFolder;
using rv::testing::u8path;
using rv::testing::writeFile;

namespace fs = std::filesystem;

namespace {

CheckRun check(const fs::path& folder) { return rv::testing::check(rv::testing::u8string(folder)); }

CheckRun backUp(const SampleClinic& clinic, const fs::path& destination)
{
    std::ostringstream out;
    const std::atomic<bool> cancel{false};
    const int code = rv::runUnattendedBackup(clinic.program.str(), rv::testing::u8string(destination), out, cancel);
    return {code, out.str()};
}

fs::path recordOf(const fs::path& backup) { return backup / u8path(rv::kRecordFileName); }

// The record without its seal line, and sealed again: what a forger who
// knows the format writes, so that what is refused is the line, not the seal.
std::string unsealed(const std::string& record)
{
    const std::size_t seal = record.rfind("封印\t");
    return seal == std::string::npos ? record : record.substr(0, seal);
}

std::string sealed(const std::string& body)
{
    rv::ContentHasher hasher;
    hasher.add(body.data(), body.size());
    return body + rv::sealLine(hasher.digest());
}

void replaceOnce(std::string& text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

// The whole line of the record that holds part, line end included.
std::string lineWith(const std::string& record, const std::string& part)
{
    const std::size_t start = record.rfind("\r\n", record.find(part)) + 2;
    return record.substr(start, record.find("\r\n", start) + 2 - start);
}

// The record's text as an earlier version of the program wrote it.
std::string inEarlierFormat(std::string record)
{
    record = unsealed(record);
    for (const char* line : {"形式\t2\r\n", "ファイル数\t15\r\n", "コピーできなかったもの\t0\r\n"}) {
        replaceOnce(record, line, "");
    }
    return record;
}

struct TamperCase {
    const char* what;
    // Changes the record's text; then, when resealed, seals the new body.
    std::function<void(std::string& record)> editRecord;
    bool resealed;
    // Changes the backup folder itself.
    std::function<void(const fs::path& backup)> editFolder;
    int exitCode;
    std::string said;
};

// A line of the record with its path replaced by forged, the rest valid.
std::function<void(std::string&)> forgedPath(const std::string& forged)
{
    return [forged](std::string& record) { replaceOnce(record, "\tGDATA/top.txt\r\n", "\t" + forged + "\r\n"); };
}

std::vector<TamperCase> tamperCases()
{
    const auto none = [](const fs::path&) {};
    const auto keep = [](std::string&) {};
    std::vector<TamperCase> cases = {
        {"untouched", keep, false, none, rv::kCheckAllMatch, "バックアップは記録と一致しています"},
        {"a digest character made g", [](std::string& r) { r[r.find("\tGDATA/top.txt") - 1] = 'g'; }, false, none,
         rv::kCheckDiffers, "バックアップの記録が壊れています（"},
        {"a digest character changed",
         [](std::string& r) {
             char& last = r[r.find("\tGDATA/top.txt") - 1];
             last = last == '0' ? '1' : '0';
         },
         false, none, rv::kCheckDiffers, "内容が封印と合いません"},
        {"cut inside the heading", [](std::string& r) { r.resize(r.find("結果")); }, false, none, rv::kCheckDiffers,
         "5 行目：記録が途中で切れています"},
        {"the last four lines cut",
         [](std::string& r) {
             for (int i = 0; i < 4; ++i) {
                 r.resize(r.rfind("\r\n", r.size() - 3) + 2);
             }
         },
         false, none, rv::kCheckDiffers, "記録が途中で切れています"},
        {"the seal line removed", [](std::string& r) { r = unsealed(r); }, false, none, rv::kCheckDiffers,
         "記録が途中で切れています"},
        {"a line after the seal", [](std::string& r) { r += "x\r\n"; }, false, none, rv::kCheckDiffers,
         "封印の後に行があります"},
        {"resealed, unchanged", keep, true, none, rv::kCheckAllMatch, "バックアップは記録と一致しています"},
        {"a file line removed, resealed", [](std::string& r) { replaceOnce(r, lineWith(r, "\tGDATA/top.txt"), ""); },
         true, none, rv::kCheckDiffers, "記録の件数と行の数が合いません"},
        {"a line over the limit, resealed",
         [](std::string& r) {
             replaceOnce(r, "\r\n\r\nサイズ", "\r\n" + std::string(rv::kLongestRecordLine + 1, 'x') + "\r\n\r\nサイズ");
         },
         true, none, rv::kCheckDiffers, "長すぎる行です"},
        {"../x", forgedPath("../x"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"GDATA/../../x", forgedPath("GDATA/../../x"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"/abs", forgedPath("/abs"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"C:x", forgedPath("C:x"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"NUL", forgedPath("GDATA/top.txt\\x00.bak"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"escaped slash", forgedPath("GDATA\\x2Ftop.txt"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"an empty name", forgedPath("GDATA//top.txt"), true, none, rv::kCheckDiffers, "読めない行です"},
        {"the earlier format", [](std::string& r) { r = inEarlierFormat(r); }, false, none, rv::kCheckAllMatch,
         "封印がありません"},
        {"a later format", [](std::string& r) { replaceOnce(r, "形式\t2", "形式\t3"); }, true, none, rv::kCheckDiffers,
         "この版では読めない形式です"},
        {"the earlier format, a forged path",
         [](std::string& r) {
             r = inEarlierFormat(r);
             forgedPath("../x")(r);
         },
         false, none, rv::kCheckDiffers, "読めない行です"},
    };
#ifndef _WIN32
    const auto pipeAt = [](const std::string& relative) {
        return [relative](const fs::path& backup) {
            fs::remove(backup / u8path(relative));
            ASSERT_EQ(::mkfifo((backup / u8path(relative)).c_str(), 0600), 0);
        };
    };
    // A link to a copy of what it replaces: same contents, never read.
    const auto linkAt = [](const std::string& relative) {
        return [relative](const fs::path& backup) {
            const fs::path place = backup / u8path(relative);
            fs::rename(place, fs::path(place) += ".real");
            fs::create_symlink(fs::path(place.filename()) += ".real", place);
        };
    };
    const std::vector<TamperCase> posix = {
        {"the GDATA folder a link", keep, false, linkAt("GDATA"), rv::kCheckDiffers, "UNREADABLE  GDATA/top.txt"},
        {"a file a link", keep, false, linkAt("GDATA/top.txt"), rv::kCheckDiffers,
         "UNREADABLE  GDATA/top.txt (リンクです（リンク先はたどらず、読んでいません）)"},
        {"a database a link", keep, false, linkAt("Tavo51.mdb"), rv::kCheckDiffers, "UNREADABLE  Tavo51.mdb"},
        {"a named pipe at a listed name", keep, false, pipeAt("GDATA/top.txt"), rv::kCheckDiffers,
         "UNREADABLE  GDATA/top.txt (名前付きパイプです"},
        {"a named pipe at the record's name", keep, false, pipeAt(rv::kRecordFileName), rv::kCheckUnusable,
         "バックアップの記録を開けません"},
    };
    cases.insert(cases.end(), posix.begin(), posix.end());
#endif
    return cases;
}

} // namespace

// One real backup, then each way a record or the folder may be damaged or
// forged: every one is refused, and none is waited on for good.
TEST(TamperedBackup, EachDamageOrForgeryIsRefusedAndSaidWhere)
{
    SampleClinic clinic;
    clinic.addDatabases(kDefaultDatabaseOrder);
    clinic.addDataFiles({"患者/0001.dat", "top.txt"});
    const TempFolder made;
    const CheckRun backup = backUp(clinic, made.path());
    ASSERT_EQ(backup.exitCode, rv::kExitAllCopied) << backup.output;
    const std::string record = readFile(recordOf(made.path()));
    ASSERT_NE(record.find("ファイル数\t15\r\n"), std::string::npos) << record;

    for (const TamperCase& c : tamperCases()) {
        const TempFolder scratch;
        const fs::path copy = scratch.path() / "backup";
        fs::copy(made.path(), copy, fs::copy_options::recursive);
        std::string text = record;
        c.editRecord(text);
        writeFile(recordOf(copy), c.resealed ? sealed(unsealed(text)) : text);
        c.editFolder(copy);
        const CheckRun run = check(copy);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.what << "\n" << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << c.what << "\n" << run.output;
        // A damaged record is refused before any file it lists is read.
        if (run.output.find("壊れています") != std::string::npos) {
            EXPECT_EQ(run.output.find("個のファイルを確かめました"), std::string::npos) << c.what << "\n" << run.output;
        }
    }
}

// What a run could not copy is in its record; a check after it is never all clear.
TEST(TamperedBackup, WhatARunCouldNotCopyKeepsItsCheckFromPassing)
{
    SampleClinic clinic({{4, "/nonexistent/予約51.mdb"}});
    clinic.addDatabases({"Tavo51.mdb"});
    const CheckRun backup = backUp(clinic, clinic.backup.path());
    ASSERT_EQ(backup.exitCode, rv::kExitNotAllCopied) << backup.output;
    const CheckRun run = check(clinic.backup.path());
    EXPECT_EQ(run.exitCode, rv::kCheckDiffers) << run.output;
    EXPECT_NE(run.output.find("NOTCOPIED   予約51.mdb (見つかりません)\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("コピーできなかったもの 1 個"), std::string::npos) << run.output;
}

#ifndef _WIN32
// A history or record that cannot be written (a named pipe at its name, the
// record's name a folder) ends the run with 1 and says the backup cannot be
// checked; nothing waits.
TEST(TamperedBackup, ARecordOrHistoryThatCannotBeWrittenMakesTheRunFail)
{
    for (const bool historyAPipe : {true, false}) {
        SampleClinic clinic;
        clinic.addDatabases({"Tavo51.mdb"});
        if (historyAPipe) {
            ASSERT_EQ(::mkfifo((clinic.backup.path() / u8path(rv::kHistoryFileName)).c_str(), 0600), 0);
        } else {
            fs::create_directories(clinic.backup.path() / u8path(rv::kRecordFileName) / "x");
        }
        const CheckRun backup = backUp(clinic, clinic.backup.path());
        EXPECT_EQ(backup.exitCode, rv::kExitNotAllCopied) << backup.output;
        EXPECT_NE(backup.output.find("このバックアップは後から確かめられません"), std::string::npos) << backup.output;
    }
}
#endif

// Not under wine: its GetFinalPathNameByHandleW, which the Windows build asks
// where each folder it opened lies, answers no path over 260 characters.
#ifndef _WIN32
// A data file deeper than any path the system takes whole (18 folders of 80
// kana: over 4,096 bytes) is copied, read back, kept, and checked later.
TEST(TamperedBackup, AFileDeeperThanAnyPathIsVerifiedKeptAndChecked)
{
    SampleClinic clinic;
    clinic.addDatabases({"Tavo51.mdb"});
    clinic.addDataFiles({"top.txt"});
    std::string name;
    for (int i = 0; i < 80; ++i) {
        name += "あ";
    }
    int folder = ::open((clinic.program.path() / "GDATA").c_str(), O_RDONLY | O_DIRECTORY);
    for (int depth = 0; depth < 18; ++depth) {
        ASSERT_EQ(::mkdirat(folder, name.c_str(), 0700), 0);
        const int next = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = next;
    }
    const int file = ::openat(folder, "deep.txt", O_WRONLY | O_CREAT, 0600);
    ASSERT_EQ(::write(file, "deep", 4), 4);
    ::close(file);
    ::close(folder);

    const CheckRun backup = backUp(clinic, clinic.backup.path());
    EXPECT_EQ(backup.exitCode, rv::kExitAllCopied) << backup.output;
    const CheckRun run = check(clinic.backup.path());
    EXPECT_EQ(run.exitCode, rv::kCheckAllMatch) << run.output;
    EXPECT_NE(run.output.find("一致 5 個"), std::string::npos) << run.output;
}
#endif
