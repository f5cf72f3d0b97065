#pragma once

#include "common/result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rv::platform {

// Why a file operation failed, in the terms the user is told.
enum class FileErrorKind {
    NotFound,    // the source is not there
    NotReadable, // there, but it cannot be read (locked, no permission, a folder where a file was expected)
    NotWritable, // the destination cannot be written
    NoSpace,     // the destination's disk is full
    TooLarge,    // the file is larger than the destination's file system allows (FAT32: 4 GB)
    Changed,     // the source changed while it was copied: the copy may be torn
    Cancelled,   // the caller asked to stop
    // Not a regular file, named for what it is and never opened for reading:
    // a link may lead anywhere, a pipe or a device may never answer.
    Link,        // a symbolic link, junction or other reparse point
    Pipe,        // a named pipe
    Device,      // a character or block device
    Socket,      // a socket
    Replaced,    // something else stands where the listing found this file
    Virtual,     // made up by the system as it is read (/proc, /sys): no data of the clinic's
    InvalidName, // the destination's file system refuses the name (a character it cannot hold, too long)
};

struct FileError {
    FileErrorKind kind;
    std::string detail; // the system's own wording, for logs
    int code = 0;       // the system's error number (errno, a Windows error code); 0 for none

    friend bool operator==(const FileError&, const FileError&) = default;
};

// The value of an operation that succeeds without producing anything.
struct Done {};

enum class EntryKind { File, Folder, Other };

struct EntryInfo {
    EntryKind kind;
    std::uint64_t size; // bytes, for a file
};

// What is at path (following links). A missing entry is a NotFound failure.
Result<EntryInfo, FileError> inspect(std::string_view path);

// True when both paths exist and name the same file or folder (after links,
// case folding and any other aliasing the file system does).
bool sameEntry(std::string_view first, std::string_view second);

// True when the entry destination is source itself. A link at destination is
// not followed: the backup replaces a link rather than write through it.
bool isEntryOf(std::string_view destination, std::string_view source);

// True when two destination paths name the same entry of a folder: byte for
// byte on POSIX, without regard to case on Windows.
bool sameName(std::string_view first, std::string_view second);

// True when path is folder itself or lies anywhere beneath it.
bool isSameOrInside(std::string_view path, std::string_view folder);

} // namespace rv::platform
