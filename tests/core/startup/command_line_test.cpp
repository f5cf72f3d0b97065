#include "startup/command_line.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

using rv::startup::CommandLine;
using rv::startup::parseCommandLine;
using Mode = CommandLine::Mode;

namespace {

// What a Qt program passes over (a few of them).
const rv::startup::ToolkitOptions kQtLike{{"platform", "style"}, {"reverse"}};

struct Case {
    std::vector<std::string> arguments;
    Mode mode;
    std::string folder;
    bool verify = true;
    std::string refusal;
    std::optional<unsigned> keep;
    std::string generation;
};

} // namespace

TEST(CommandLine, EachOptionAsBothProgramsTakeIt)
{
    const Case cases[] = {
        {{}, Mode::Window, ""},
        {{"--backup-to", "D:\\バックアップ"}, Mode::BackupTo, "D:\\バックアップ"},
        {{"--backup-to=D:\\a b"}, Mode::BackupTo, "D:\\a b"},
        {{"-backup-to", "/media/usb"}, Mode::BackupTo, "/media/usb"},
        {{"--backup-to", "/media/usb", "--no-verify"}, Mode::BackupTo, "/media/usb", false},
        {{"--no-verify", "--backup-to=/media/usb"}, Mode::BackupTo, "/media/usb", false},
        {{"--backup-to", "/media/usb", "--keep", "7"}, Mode::BackupTo, "/media/usb", true, "", 7},
        {{"--keep=1", "--backup-to=/media/usb"}, Mode::BackupTo, "/media/usb", true, "", 1},
        // An empty folder is the unattended mode's to refuse, with its own line.
        {{"--backup-to="}, Mode::BackupTo, ""},
        {{"--check", "/media/usb"}, Mode::Check, "/media/usb"},
        {{"--check=/media/usb"}, Mode::Check, "/media/usb"},
        {{"--check", "/a", "--generation", "2026-12-08 18時30分"},
         Mode::Check,
         "/a",
         true,
         "",
         {},
         "2026-12-08 18時30分"},
        {{"--generations=/media/usb"}, Mode::Generations, "/media/usb"},
        // As before on both programs: the backup wins over the check.
        {{"--check", "/a", "--backup-to", "/b"}, Mode::BackupTo, "/b"},
        // Without a folder of its own, whatever follows it.
        {{"--restore"}, Mode::RestoreWindow, ""},
        {{"-restore", "--no-verify"}, Mode::RestoreWindow, ""},
        {{"--help"}, Mode::Help, ""},
        {{"-h"}, Mode::Help, ""},
        {{"-?"}, Mode::Help, ""},
        {{"--help-all"}, Mode::Help, ""},
        {{"--backup-to", "/b", "--help"}, Mode::Help, ""},
        {{"--version"}, Mode::Version, ""},
        {{"-v", "--help"}, Mode::Version, ""},
    };
    for (const Case& c : cases) {
        const CommandLine line = parseCommandLine(c.arguments);
        const std::string shown = c.arguments.empty() ? std::string("(none)") : c.arguments.front();
        EXPECT_EQ(line.mode, c.mode) << shown;
        EXPECT_EQ(line.folder, c.folder) << shown;
        EXPECT_EQ(line.verify, c.verify) << shown;
        EXPECT_EQ(line.keep, c.keep) << shown;
        EXPECT_EQ(line.generation, c.generation) << shown;
        EXPECT_EQ(line.refusal, "") << shown;
    }
}

TEST(CommandLine, UnknownOptionsMissingFoldersAndStrayArgumentsAreRefusedInJapanese)
{
    const Case cases[] = {
        {{"--bogus"}, Mode::Refused, "", true, "不明なオプションです：--bogus"},
        {{"-platfrom", "offscreen"}, Mode::Refused, "", true, "不明なオプションです：-platfrom"},
        {{"--backup-to"}, Mode::Refused, "", true, "--backup-to の後にフォルダを指定してください。"},
        {{"--check"}, Mode::Refused, "", true, "--check の後にフォルダを指定してください。"},
        // The next option is no folder: a typo in a scheduled task must not
        // back up into a folder named "--no-verify".
        {{"--backup-to", "--no-verify"}, Mode::Refused, "", true, "--backup-to の後にフォルダを指定してください。"},
        // An unquoted folder with a space leaves its second half behind.
        {{"--backup-to", "D:\\My", "Backup"}, Mode::Refused, "", true, "余分な引数です：Backup"},
        // A refusal wins over --help: the command line is wrong either way.
        {{"--help", "--bogus"}, Mode::Refused, "", true, "不明なオプションです：--bogus"},
        // No generation kept would leave nothing to go back to; the newest is kept anyway.
        {{"--backup-to", "/b", "--keep", "0"}, Mode::Refused, "", true, "--keep には 1 以上の数を指定してください：0"},
        {{"--backup-to", "/b", "--keep=30日"},
         Mode::Refused,
         "",
         true,
         "--keep には 1 以上の数を指定してください：30日"},
        {{"--backup-to", "/b", "--keep"}, Mode::Refused, "", true, "--keep の後に残す数を指定してください。"},
        {{"--check", "/b", "--keep", "3"}, Mode::Refused, "", true, "--keep は --backup-to と一緒に指定してください。"},
        {{"--generation", "最新"}, Mode::Refused, "", true, "--generation は --check と一緒に指定してください。"},
        {{"--backup-to", "/b", "--generation", "最新"},
         Mode::Refused,
         "",
         true,
         "--generation は --check と一緒に指定してください。"},
        {{"--generations"}, Mode::Refused, "", true, "--generations の後にフォルダを指定してください。"},
        // Qt's options belong to the Qt program only.
        {{"-platform", "offscreen"}, Mode::Refused, "", true, "不明なオプションです：-platform"},
        {{"--restore", "--check", "/b"},
         Mode::Refused,
         "",
         true,
         "--restore は --backup-to、--check、--generations と一緒には指定できません。"},
    };
    for (const Case& c : cases) {
        const CommandLine line = parseCommandLine(c.arguments);
        EXPECT_EQ(line.mode, Mode::Refused) << c.refusal;
        EXPECT_EQ(line.refusal, c.refusal);
    }
}

TEST(CommandLine, TheToolkitsOwnOptionsArePassedOver)
{
    const CommandLine withVersion =
        parseCommandLine({"-platform", "offscreen", "-style=fusion", "-reverse", "--version"}, kQtLike);
    EXPECT_EQ(withVersion.mode, Mode::Version);
    const CommandLine window = parseCommandLine({"--platform", "offscreen"}, kQtLike);
    EXPECT_EQ(window.mode, Mode::Window);
    const CommandLine restoreWindow = parseCommandLine({"--restore", "-platform", "offscreen"}, kQtLike);
    EXPECT_EQ(restoreWindow.mode, Mode::RestoreWindow);
    const CommandLine missingValue = parseCommandLine({"-platform"}, kQtLike);
    EXPECT_EQ(missingValue.mode, Mode::Refused);
    EXPECT_EQ(missingValue.refusal, "--platform の後に値を指定してください。"); // a value, not a folder
    // A Qt flag takes no value: what follows it is read on its own.
    const CommandLine flagThenFolder = parseCommandLine({"-reverse", "/media/usb"}, kQtLike);
    EXPECT_EQ(flagThenFolder.refusal, "余分な引数です：/media/usb");
}

TEST(CommandLine, HelpAndVersionAreJapaneseAndNameEveryOption)
{
    const std::string help = rv::startup::helpText("rvdatebackup");
    EXPECT_TRUE(help.starts_with("使い方: rvdatebackup [オプション]\n")) << help;
    for (const char* option : {"--backup-to <DIR>", "--no-verify", "--keep <N>", "--check <DIR>", "--generation <NAME>",
                               "--generations <DIR>", "--restore", "--help", "--version"}) {
        EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(rv::startup::versionText(), "RVシステム データバックアップ バージョン 3.20\n");
    EXPECT_EQ(rv::startup::usageHint("rvdatebackup.exe"), "使い方は rvdatebackup.exe --help で表示されます。");
}

TEST(CommandLine, WhatNeedsNoWindowIsAnsweredAtOnceWithItsExitCode)
{
    struct Answer {
        std::vector<std::string> arguments;
        std::optional<int> exitCode;
        std::string out;
        std::string err;
    };
    const Answer answers[] = {
        {{"--help"}, 0, rv::startup::helpText("rvdatebackup"), ""},
        {{"--version"}, 0, rv::startup::versionText(), ""},
        {{"--bogus"}, 2, "", "不明なオプションです：--bogus\n使い方は rvdatebackup --help で表示されます。\n"},
        {{"--backup-to"},
         2,
         "",
         "--backup-to の後にフォルダを指定してください。\n使い方は rvdatebackup --help で表示されます。\n"},
        {{}, std::nullopt, "", ""},
        {{"--backup-to", "/b"}, std::nullopt, "", ""},
        {{"--check", "/b"}, std::nullopt, "", ""},
        {{"--restore"}, std::nullopt, "", ""},
    };
    for (const Answer& answer : answers) {
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(rv::startup::answerAtOnce(parseCommandLine(answer.arguments), "rvdatebackup", out, err),
                  answer.exitCode);
        EXPECT_EQ(out.str(), answer.out);
        EXPECT_EQ(err.str(), answer.err);
    }
}
