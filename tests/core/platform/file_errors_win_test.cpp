#include "platform/win/long_path_win.h"

#include <gtest/gtest.h>

using rv::platform::FileErrorKind;

namespace {

enum class Side { Source, Destination };

struct ErrorCase {
    DWORD error;
    Side side;
    FileErrorKind kind;
};

// The system's error on the side read from, or written to, against the
// reason the user is given.
const ErrorCase kCases[] = {
    {ERROR_FILE_NOT_FOUND, Side::Source, FileErrorKind::NotFound},
    {ERROR_PATH_NOT_FOUND, Side::Source, FileErrorKind::NotFound},
    {ERROR_BAD_NETPATH, Side::Source, FileErrorKind::NotFound},
    {ERROR_CRC, Side::Source, FileErrorKind::NotReadable},               // a bad sector of the source
    {ERROR_SHARING_VIOLATION, Side::Source, FileErrorKind::NotReadable}, // held by the records system
    {ERROR_LOCK_VIOLATION, Side::Source, FileErrorKind::NotReadable},
    {ERROR_DEV_NOT_EXIST, Side::Destination, FileErrorKind::NotWritable}, // the disk went away
    {ERROR_ACCESS_DENIED, Side::Destination, FileErrorKind::NotWritable},
    {ERROR_WRITE_PROTECT, Side::Destination, FileErrorKind::NotWritable},
    {ERROR_DISK_FULL, Side::Destination, FileErrorKind::NoSpace},
    {ERROR_HANDLE_DISK_FULL, Side::Destination, FileErrorKind::NoSpace},
    {1295 /* ERROR_DISK_QUOTA_EXCEEDED */, Side::Destination, FileErrorKind::NoSpace},
    {ERROR_FILE_TOO_LARGE, Side::Destination, FileErrorKind::TooLarge},
    {ERROR_REQUEST_ABORTED, Side::Destination, FileErrorKind::Cancelled},
    {ERROR_INVALID_NAME, Side::Destination, FileErrorKind::InvalidName}, // ": ? * \" < > |"
    {ERROR_FILENAME_EXCED_RANGE, Side::Destination, FileErrorKind::InvalidName},
    {ERROR_BAD_PATHNAME, Side::Destination, FileErrorKind::InvalidName},
};

TEST(FileErrorW, EachErrorGivesItsReasonAndNamesItsFile)
{
    for (const ErrorCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "error " << c.error);
        const std::string path = c.side == Side::Source ? "C:\\RV\\Tavo51.mdb" : "E:\\bk\\.rvtmp-1-1";
        const auto failure = c.side == Side::Source ? rv::platform::sourceErrorW(c.error, path)
                                                    : rv::platform::destinationErrorW(c.error, path);
        EXPECT_EQ(failure.kind, c.kind);
        EXPECT_EQ(failure.detail.rfind(path, 0), 0u) << failure.detail;
    }
}

} // namespace
