// The walk of a source folder and the opening of its files, against entries
// that are not regular files and files swapped after they were listed.
#include "platform/source_tree.h"

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

using rv::platform::FileErrorKind;
using rv::platform::SourceFile;
using rv::platform::SourceWalk;
using rv::platform::WalkStepKind;
using namespace rv::testing;

namespace fs = std::filesystem;

namespace {

// A socket file at path, as a program that serves on it leaves one.
void makeSocket(const fs::path& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    ::close(fd);
}

class SourceTreeTest : public ::testing::Test {
protected:
    SourceTreeTest()
    {
        writeFile(folder.path() / "a.txt", "alpha");
        writeFile(folder.path() / "other.txt", "another file");
        writeFile(folder.path() / "sub" / "b.txt", "bravo");
        writeFile(outside.path() / "secret.txt", "not the clinic's");
        fs::create_symlink(outside.path() / "secret.txt", folder.path() / "link.txt");
        fs::create_directory_symlink(outside.path(), folder.path() / "linked folder");
        EXPECT_EQ(::mkfifo((folder.path() / "pipe").c_str(), 0644), 0);
        makeSocket(folder.path() / "sock");
    }

    TempFolder folder;
    TempFolder outside;
};

std::string kindOf(const rv::platform::WalkStep& step)
{
    switch (step.kind) {
    case WalkStepKind::FolderStart:
        return "start";
    case WalkStepKind::FolderEnd:
        return "end";
    case WalkStepKind::File:
        return "file";
    case WalkStepKind::NotCopied:
        break;
    }
    return "not copied: " + std::to_string(static_cast<int>(step.problem.kind));
}

std::string notCopied(FileErrorKind kind) { return "not copied: " + std::to_string(static_cast<int>(kind)); }

} // namespace

TEST_F(SourceTreeTest, TheWalkListsFilesAndFoldersAndNamesEverythingElseWithoutFollowingALink)
{
    auto walk = SourceWalk::open(folder.str());
    ASSERT_TRUE(walk.ok());
    std::map<std::string, std::string> seen;
    std::vector<std::string> order;
    while (const auto* step = walk.value().next()) {
        seen[step->relativePath] += kindOf(*step) + ";";
        order.push_back(step->relativePath + " " + kindOf(*step));
    }
    const std::map<std::string, std::string> expected = {
        {"", "start;end;"},
        {"a.txt", "file;"},
        {"other.txt", "file;"},
        {"sub", "start;end;"},
        {"sub/b.txt", "file;"},
        {"link.txt", notCopied(FileErrorKind::Link) + ";"},
        {"linked folder", notCopied(FileErrorKind::Link) + ";"},
        {"pipe", notCopied(FileErrorKind::Pipe) + ";"},
        {"sock", notCopied(FileErrorKind::Socket) + ";"},
    };
    EXPECT_EQ(seen, expected);
    // Depth first: a folder's content between its start and its end.
    const auto at = [&](const std::string& entry) { return std::find(order.begin(), order.end(), entry); };
    EXPECT_LT(at("sub start"), at("sub/b.txt file"));
    EXPECT_LT(at("sub/b.txt file"), at("sub end"));
    EXPECT_EQ(order.back(), " end");
}

struct Swap {
    const char* name;
    std::function<void(const fs::path& folder, const fs::path& outside)> swap;
    FileErrorKind refusedAs;
};

void PrintTo(const Swap& swap, std::ostream* out) { *out << swap.name; }

class SwappedAfterTheListing : public SourceTreeTest, public ::testing::WithParamInterface<Swap> {};

TEST_P(SwappedAfterTheListing, IsRefusedForWhatItNowIsAndNothingOfItIsRead)
{
    auto walk = SourceWalk::open(folder.str());
    ASSERT_TRUE(walk.ok());
    const rv::platform::WalkStep* step = nullptr;
    while ((step = walk.value().next()) != nullptr && step->relativePath != "a.txt") {
    }
    ASSERT_NE(step, nullptr);
    GetParam().swap(folder.path(), outside.path());

    auto opened = walk.value().openFile();
    ASSERT_FALSE(opened.ok());
    EXPECT_EQ(opened.error().kind, GetParam().refusedAs) << opened.error().detail;
}

const Swap kSwaps[] = {
    {"ForALinkToAFileOutside",
     [](const fs::path& folder, const fs::path& outside) {
         fs::remove(folder / "a.txt");
         fs::create_symlink(outside / "secret.txt", folder / "a.txt");
     },
     FileErrorKind::Link},
    {"ForAPipeNobodyWritesTo",
     [](const fs::path& folder, const fs::path&) {
         fs::remove(folder / "a.txt");
         ASSERT_EQ(::mkfifo((folder / "a.txt").c_str(), 0644), 0);
     },
     FileErrorKind::Pipe},
    {"ForAnotherFile",
     [](const fs::path& folder, const fs::path&) { fs::rename(folder / "other.txt", folder / "a.txt"); },
     FileErrorKind::Replaced},
    {"ForNothing", [](const fs::path& folder, const fs::path&) { fs::remove(folder / "a.txt"); },
     FileErrorKind::NotFound},
};

INSTANTIATE_TEST_SUITE_P(Swaps, SwappedAfterTheListing, ::testing::ValuesIn(kSwaps),
                         [](const auto& info) { return std::string(info.param.name); });

// The files the settings name: the same rule, before anything is opened.
TEST_F(SourceTreeTest, ANamedFileIsOpenedOnlyWhenItIsARegularFile)
{
    const std::map<std::string, FileErrorKind> refused = {
        {"link.txt", FileErrorKind::Link},   {"pipe", FileErrorKind::Pipe},        {"sock", FileErrorKind::Socket},
        {"sub", FileErrorKind::NotReadable}, {"missing", FileErrorKind::NotFound},
    };
    for (const auto& [name, kind] : refused) {
        auto opened = SourceFile::open(u8string(folder.path() / name));
        ASSERT_FALSE(opened.ok()) << name;
        EXPECT_EQ(opened.error().kind, kind) << name << ": " << opened.error().detail;
    }
    EXPECT_TRUE(SourceFile::open(u8string(folder.path() / "a.txt")).ok());
    auto proc = SourceFile::open("/proc/self/status");
    ASSERT_FALSE(proc.ok());
    EXPECT_EQ(proc.error().kind, FileErrorKind::Virtual);
}
