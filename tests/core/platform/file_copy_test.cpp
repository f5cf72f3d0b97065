#include "platform/file_copy.h"

#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include "platform/posix/copy_method_posix.h"

#include <sys/stat.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

using rv::platform::CopyControl;
using rv::platform::DestinationFolder;
using rv::platform::FileCopier;
using rv::platform::FileErrorKind;
using rv::platform::SourceFile;
using rv::testing::listAll;
using rv::testing::readFile;
using rv::testing::TempFolder;
using rv::testing::u8string;
using rv::testing::writeFile;

namespace {

// Bytes that differ from block to block, so that a block written twice or
// skipped shows.
std::string patterned(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 4096) & 0xff);
    }
    return bytes;
}

// A way of moving the bytes: on POSIX each one the copier knows, forced; on
// Windows the one CopyFileExW takes.
struct CopyWay {
    const char* name;
    FileCopier (*make)();
};

#ifdef _WIN32
const CopyWay kWays[] = {{"Automatic", [] { return FileCopier(); }}};
#else
using rv::platform::CopyMethod;
using rv::platform::fileCopierUsing;
const CopyWay kWays[] = {
    {"Automatic", [] { return fileCopierUsing(CopyMethod::Automatic); }},
    {"DirectWrite", [] { return fileCopierUsing(CopyMethod::DirectWrite); }},
    {"CopyFileRange", [] { return fileCopierUsing(CopyMethod::CopyFileRange); }},
    {"Sendfile", [] { return fileCopierUsing(CopyMethod::Sendfile); }},
    {"ReadWrite", [] { return fileCopierUsing(CopyMethod::ReadWrite); }},
};
#endif

class FileCopyTest : public ::testing::TestWithParam<CopyWay> {
protected:
    // Copies source into the folder under the name "target", as a run does.
    rv::Result<rv::platform::PendingFile, rv::platform::FileError>
    copy(FileCopier& copier, const std::filesystem::path& source, const CopyControl& control)
    {
        auto file = SourceFile::open(u8string(source));
        EXPECT_TRUE(file.ok()) << file.error().detail;
        return copier.copyToTemporary(file.value(), root, "target", control);
    }

    TempFolder folder;
    DestinationFolder root = DestinationFolder::openChosen(folder.str()).value();
};

// Sizes around a device block, past the size from which writes bypass the
// cache with a tail shorter than a block, and over several copy buffers.
TEST_P(FileCopyTest, EverySizeArrivesWholeWithItsProgress)
{
    FileCopier copier = GetParam().make();
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4095}, std::size_t{4097},
                                   (std::size_t{1} << 20) + 4097, (std::size_t{9} << 20) + 5}) {
        SCOPED_TRACE(size);
        const auto source = folder.path() / ("source-" + std::to_string(size));
        const auto target = folder.path() / "target";
        writeFile(source, patterned(size));
        std::uint64_t lastReported = 0;
        CopyControl control{nullptr, [&](std::uint64_t bytes) { lastReported = bytes; }};

        auto pending = copy(copier, source, control);
        ASSERT_TRUE(pending.ok()) << pending.error().detail;
        EXPECT_EQ(pending.value().bytes, size);
        EXPECT_EQ(lastReported, size);
        const auto committed = rv::platform::commit(root, pending.value());
        ASSERT_TRUE(committed.ok()) << committed.error().detail;

        EXPECT_TRUE(readFile(target) == readFile(source));
        std::filesystem::remove(source);
        EXPECT_EQ(listAll(folder.path()), std::vector<std::string>{"target"});
    }
}

TEST_P(FileCopyTest, CancelWithinAFileLeavesTheTargetAndNoTemporaryFile)
{
    const auto source = folder.path() / "source";
    const auto target = folder.path() / "target";
    writeFile(source, patterned(std::size_t{12} << 20));
    writeFile(target, "the earlier copy");
    std::atomic<bool> cancel{false};
    CopyControl control{&cancel, [&](std::uint64_t) { cancel = true; }};

    FileCopier copier = GetParam().make();
    auto pending = copy(copier, source, control);

    ASSERT_FALSE(pending.ok());
    EXPECT_EQ(pending.error().kind, FileErrorKind::Cancelled);
    EXPECT_EQ(readFile(target), "the earlier copy");
    EXPECT_EQ(listAll(folder.path()), (std::vector<std::string>{"source", "target"}));
}

// A cancel seen during a file's last chunk, after its bytes are all written,
// still leaves no new copy in place: the copy is not done until it is handed
// back. One chunk, and the second of two.
TEST_P(FileCopyTest, CancelDuringTheLastChunkLeavesTheTargetAndNoTemporaryFile)
{
    for (const std::size_t size : {std::size_t{4097}, (std::size_t{9} << 20) + 5}) {
        SCOPED_TRACE(size);
        TempFolder sources;
        const auto source = sources.path() / "source";
        writeFile(source, patterned(size));
        writeFile(folder.path() / "target", "the earlier copy");
        std::atomic<bool> cancel{false};
        CopyControl control{&cancel, [&](std::uint64_t bytes) { cancel = bytes == size; }};

        FileCopier copier = GetParam().make();
        auto pending = copy(copier, source, control);

        ASSERT_FALSE(pending.ok());
        EXPECT_EQ(pending.error().kind, FileErrorKind::Cancelled);
        EXPECT_TRUE(cancel.load()) << "the last chunk was never reported";
        EXPECT_EQ(readFile(folder.path() / "target"), "the earlier copy");
        EXPECT_EQ(listAll(folder.path()), std::vector<std::string>{"target"});
    }
}

// An empty file marked sparse, where the file system needs to be told: on
// NTFS only such a file has holes. False when it cannot be (wine's file
// system): there is then no sparse file to copy.
bool madeSparse(const std::filesystem::path& path)
{
    std::ofstream(path, std::ios::binary).flush();
#ifdef _WIN32
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD returned = 0;
    const BOOL sparse = DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    CloseHandle(file);
    return sparse && (GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_SPARSE_FILE);
#else
    return true;
#endif
}

// A database the records system made sparse: its holes stay holes and only
// its data is copied, at offsets past 4 GB too.
TEST_P(FileCopyTest, HolesOfASparseFileStayHoles)
{
    const auto source = folder.path() / "sparse.mdb";
    if (!madeSparse(source)) {
        GTEST_SKIP() << "skipped: this file system makes no sparse files";
    }
    const std::uint64_t size = (std::uint64_t{5} << 30) + 12345;
    const std::string head = patterned(5000);
    const std::string middle = patterned(70000);
    {
        std::fstream file(source, std::ios::binary | std::ios::in | std::ios::out);
        file << head;
        file.seekp(static_cast<std::streamoff>(std::uint64_t{3} << 30));
        file << middle;
    }
    std::filesystem::resize_file(source, size);
    FileCopier copier = GetParam().make();
    std::uint64_t lastReported = 0;
    auto pending = copy(copier, source, {nullptr, [&](std::uint64_t bytes) { lastReported = bytes; }});
    ASSERT_TRUE(pending.ok()) << pending.error().detail;
    const auto committed = rv::platform::commit(root, pending.value());
    ASSERT_TRUE(committed.ok()) << committed.error().detail;

    const auto target = folder.path() / "target";
    EXPECT_EQ(std::filesystem::file_size(target), size);
    EXPECT_EQ(lastReported, size);
    std::ifstream copied(target, std::ios::binary);
    std::string read(head.size(), '\0');
    copied.read(read.data(), static_cast<std::streamsize>(read.size()));
    EXPECT_TRUE(read == head);
    copied.seekg(static_cast<std::streamoff>(std::uint64_t{3} << 30));
    read.assign(middle.size(), '\0');
    copied.read(read.data(), static_cast<std::streamsize>(read.size()));
    EXPECT_TRUE(read == middle);
#ifdef _WIN32
    DWORD high = 0;
    const DWORD low = GetCompressedFileSizeW(target.c_str(), &high);
    EXPECT_LT((std::uint64_t{high} << 32) | low, std::uint64_t{4} << 20) << "the holes were filled";
#else
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_LT(info.st_blocks * 512, 4 << 20) << "the holes were filled";
#endif
}

INSTANTIATE_TEST_SUITE_P(EachWay, FileCopyTest, ::testing::ValuesIn(kWays),
                         [](const ::testing::TestParamInfo<CopyWay>& info) { return std::string(info.param.name); });

} // namespace
