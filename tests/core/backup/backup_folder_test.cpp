#include "backup/backup_folder.h"

#include "common/path_text.h"

#include <gtest/gtest.h>

using rv::backupFolderFromChosenPath;
using rv::fileNameOf;
using rv::isUnusableFileName;

TEST(FileName, IsTheTextAfterTheLastSeparatorWhateverTheDepth)
{
    EXPECT_EQ(fileNameOf("C:\\RV\\Tavo51.mdb"), "Tavo51.mdb");
    EXPECT_EQ(fileNameOf("D:\\x\\y\\z\\b.mdb"), "b.mdb");
    // Thirteen separators: the records system's scan stopped after eleven and
    // kept folder parts in the name.
    EXPECT_EQ(fileNameOf("E:\\1\\2\\3\\4\\5\\6\\7\\8\\9\\10\\11\\12\\深い.mdb"), "深い.mdb");
    EXPECT_EQ(fileNameOf("/opt/rv/臨床RV51N.mdb"), "臨床RV51N.mdb");
    EXPECT_EQ(fileNameOf("/opt/rv\\mixed/予約51.mdb"), "予約51.mdb");
}

TEST(FileName, WithoutSeparatorIsTheWholePath)
{
    EXPECT_EQ(fileNameOf("Tavo51.mdb"), "Tavo51.mdb");
    EXPECT_EQ(fileNameOf(""), "");
}

TEST(FileName, EmptyDotAndDotDotAreUnusable)
{
    EXPECT_EQ(fileNameOf("C:\\RV\\"), "");
    EXPECT_TRUE(isUnusableFileName(fileNameOf("C:\\RV\\")));
    EXPECT_TRUE(isUnusableFileName(fileNameOf("C:\\RV\\.")));
    EXPECT_TRUE(isUnusableFileName(fileNameOf("/opt/rv/..")));
    EXPECT_FALSE(isUnusableFileName("...mdb"));
    EXPECT_FALSE(isUnusableFileName(".hidden"));
}

TEST(BackupFolder, GetsOneTrailingSeparator)
{
    EXPECT_EQ(backupFolderFromChosenPath("/media/usb/backup"), "/media/usb/backup/");
    EXPECT_EQ(backupFolderFromChosenPath("/media/usb/バックアップ/"), "/media/usb/バックアップ/");
    EXPECT_EQ(backupFolderFromChosenPath("/"), "/");
    EXPECT_EQ(backupFolderFromChosenPath("D:\\"), "D:\\");
}

TEST(BackupFolder, IsCutAtTheFirstNul)
{
    EXPECT_EQ(backupFolderFromChosenPath(std::string("/bk\0/ignored\0\0", 14)), "/bk/");
}

TEST(BackupFolder, NoPathIsACancel)
{
    EXPECT_EQ(backupFolderFromChosenPath(""), std::nullopt);
    // A choice that is not a folder on disk: the picker's buffer holds only NULs.
    EXPECT_EQ(backupFolderFromChosenPath(std::string(256, '\0')), std::nullopt);
}
