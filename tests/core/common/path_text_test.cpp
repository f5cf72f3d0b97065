// Paths as text: the records system's separators and the file system's.
#include "common/path_text.h"

#include <gtest/gtest.h>

using rv::entryPath;
using rv::folderPartOf;
using rv::joinPath;
using rv::joinRelative;

namespace {

TEST(PathText, TheFolderPartEndsAtTheFileSystemsLastSeparator)
{
    EXPECT_EQ(folderPartOf("/backup/GDATA/a.txt"), "/backup/GDATA/");
    EXPECT_EQ(folderPartOf("/backup/"), "/backup/");
    EXPECT_EQ(folderPartOf("a.txt"), "");
    EXPECT_EQ(folderPartOf(""), "");
#ifdef _WIN32
    EXPECT_EQ(folderPartOf("D:\\backup\\a.txt"), "D:\\backup\\");
#else
    // On POSIX "\" is part of a name.
    EXPECT_EQ(folderPartOf("/backup/a\\b.txt"), "/backup/");
    EXPECT_FALSE(rv::isSystemSeparator('\\'));
#endif
}

TEST(PathText, AnEntryOfAFolderHasOneSeparatorBefore)
{
    EXPECT_EQ(entryPath("/backup", ".rvtmp-1-0"), "/backup/.rvtmp-1-0");
    EXPECT_EQ(entryPath("/backup/", ".rvtmp-1-0"), "/backup/.rvtmp-1-0");
    EXPECT_EQ(entryPath("", "name"), "name");
#ifndef _WIN32
    EXPECT_EQ(entryPath("/backup\\", "x"), "/backup\\/x");
#endif
}

TEST(PathText, RelativePathsOfAListingStartFromNothing)
{
    EXPECT_EQ(joinRelative("", "写真"), "写真");
    EXPECT_EQ(joinRelative("写真", "b.jpg"), "写真/b.jpg");
    EXPECT_EQ(joinRelative("/clinic/GDATA", ""), "/clinic/GDATA");
    EXPECT_EQ(joinRelative("/opt/rv", "rv.dat"), "/opt/rv/rv.dat");
}

TEST(PathText, JoiningTakesEitherSeparatorAsTheFoldersEnd)
{
    EXPECT_EQ(joinPath("C:\\RV\\GDATA\\", "a.txt"), "C:\\RV\\GDATA\\a.txt");
    EXPECT_EQ(joinPath("/backup/GDATA", "a.txt"), "/backup/GDATA/a.txt");
    EXPECT_EQ(joinPath("C:\\RV", "GDATA/a.txt"), "C:\\RV/GDATA/a.txt");
}

// Joined with "/" inside; shown to a person with this system's separator.
TEST(PathText, APathIsShownWithTheSystemsSeparators)
{
#ifdef _WIN32
    EXPECT_EQ(rv::nativeSeparators("E:\\backup/GDATA/x.txt"), "E:\\backup\\GDATA\\x.txt");
#else
    EXPECT_EQ(rv::nativeSeparators("/backup/GDATA/a\\b.txt"), "/backup/GDATA/a\\b.txt");
#endif
}

} // namespace
