#include "platform/win/long_path_win.h"

#include <gtest/gtest.h>

using rv::platform::copyFailureW;
using rv::platform::FileErrorKind;

namespace {

struct CopyFailureCase {
    DWORD error;
    bool sourceStillAnswers;
    FileErrorKind kind;
};

// CopyFileExW's error, and whether the source's handle still answered
// afterwards, against the side blamed and the reason given.
const CopyFailureCase kCases[] = {
    {ERROR_CRC, true, FileErrorKind::NotReadable}, // a bad sector of the source
    {ERROR_READ_FAULT, true, FileErrorKind::NotReadable},
    {ERROR_SECTOR_NOT_FOUND, true, FileErrorKind::NotReadable},
    {ERROR_HANDLE_EOF, true, FileErrorKind::NotReadable},
    {ERROR_SHARING_VIOLATION, true, FileErrorKind::NotReadable}, // held by the records system
    {ERROR_LOCK_VIOLATION, true, FileErrorKind::NotReadable},
    {ERROR_DEV_NOT_EXIST, false, FileErrorKind::NotReadable}, // the source's disk went away
    {ERROR_IO_DEVICE, false, FileErrorKind::NotReadable},
    {ERROR_DEV_NOT_EXIST, true, FileErrorKind::NotWritable}, // the destination's disk went away
    {ERROR_IO_DEVICE, true, FileErrorKind::NotWritable},
    {ERROR_ACCESS_DENIED, true, FileErrorKind::NotWritable},
    {ERROR_WRITE_PROTECT, true, FileErrorKind::NotWritable},
    {ERROR_WRITE_FAULT, true, FileErrorKind::NotWritable},
    {ERROR_PATH_NOT_FOUND, true, FileErrorKind::NotWritable},
    {ERROR_DISK_FULL, true, FileErrorKind::NoSpace},
    {ERROR_HANDLE_DISK_FULL, true, FileErrorKind::NoSpace},
    {ERROR_FILE_TOO_LARGE, true, FileErrorKind::TooLarge},
    {ERROR_REQUEST_ABORTED, true, FileErrorKind::Cancelled},
};

TEST(CopyFailureTest, EachErrorIsBlamedOnItsSideWithItsReason)
{
    for (const CopyFailureCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "error " << c.error << ", source answers: " << c.sourceStillAnswers);
        const auto failure = copyFailureW(c.error, c.sourceStillAnswers, "C:\\RV\\Tavo51.mdb", "E:\\bk\\.rvtmp-1-1");
        EXPECT_EQ(failure.kind, c.kind);
        const bool sourceBlamed = c.kind == FileErrorKind::NotReadable;
        EXPECT_EQ(failure.detail.rfind(sourceBlamed ? "C:\\RV\\Tavo51.mdb" : "E:\\bk\\.rvtmp-1-1", 0), 0u)
            << failure.detail;
    }
}

} // namespace
