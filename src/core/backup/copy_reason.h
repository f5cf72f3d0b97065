#pragma once

#include "platform/file_system.h"

#include <string>
#include <string_view>
#include <variant>

namespace rv {

// Reasons the backup has of its own, which no file operation gives.
enum class BackupReason {
    Overwritten,     // a later item of the same name took its place
    SelfCopy,        // the source is its own destination
    BadName,         // the path ends in no usable file name
    NotFlushed,      // the data may not have reached the device
    NotVerified,     // the copy read back from the device differs from what was read from the source
    DestinationGone, // the chosen folder went during the run (its disk taken away)
    // The destination takes the name as one this run already wrote under
    // another spelling (a case-insensitive disk): writing it would merge the two.
    NameTakenAsOne,
    FolderNameTakenAsOne, // as NameTakenAsOne, for a folder: what it holds would join the other's
    // The earlier copy could not be moved into its generation: it stays in
    // place, and the new copy is not put there.
    EarlierCopyNotKept,
};

// Why an item of the backup was not copied, as the user is told: a file
// operation's own reason as it came, or one of the backup's.
class CopyReason {
public:
    // Implicit: a file error is a reason as it stands.
    constexpr CopyReason(platform::FileErrorKind kind) : why_(kind) {}
    constexpr CopyReason(BackupReason own) : why_(own) {}

    const std::variant<platform::FileErrorKind, BackupReason>& why() const { return why_; }
    friend bool operator==(const CopyReason&, const CopyReason&) = default;

private:
    std::variant<platform::FileErrorKind, BackupReason> why_;
};

std::string_view reasonText(CopyReason reason);

// A file error as the user reads it: the reason for its kind, and what the
// system said, in Japanese, where it gave a number.
std::string describeFileError(const platform::FileError& error);

// Why a copy did not take its place, or lost it again: the reason shown and
// the system's own wording for the log.
struct CommitFailure {
    CopyReason reason;
    std::string detail;
};

} // namespace rv
