#pragma once

#include "platform/file_system.h"

#include <string>
#include <string_view>

namespace rv {

// Why an item of the backup was not copied, as the user is told.
enum class CopyReason {
    NotFound,    // "見つかりません"
    NotReadable, // "読み取れません"
    NotWritable, // "書き込めません"
    NoSpace,     // "保存先の空き容量が足りません"
    TooLarge,    // the destination's file system cannot hold a file that large
    Overwritten, // a later item of the same name took its place
    Cancelled,
    SelfCopy,   // the source is its own destination
    BadName,    // the path ends in no usable file name
    NotFlushed, // the data may not have reached the device
    Changed,    // the source changed while it was copied
    // Not a regular file: named for what it is, never read.
    Link,
    Pipe,
    Device,
    Socket,
    Replaced,    // something else stood there by the time it was opened
    Virtual,     // made up by the system (/proc, /sys), not data on a disk
    NotVerified, // the copy read back from the device differs from what was read from the source
};

std::string_view reasonText(CopyReason reason);

CopyReason reasonFor(platform::FileErrorKind kind);

// Why a copy did not take its place, or lost it again: the reason shown and
// the system's own wording for the log.
struct CommitFailure {
    CopyReason reason;
    std::string detail;
};

} // namespace rv
