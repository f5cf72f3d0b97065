#pragma once

#include "common/result.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
};

struct FileError {
    FileErrorKind kind;
    std::string detail; // the system's own wording, for logs
};

// The value of an operation that succeeds without producing anything.
struct Done {};

enum class EntryKind { File, Folder, Other };

struct EntryInfo {
    EntryKind kind;
    std::uint64_t size;     // bytes, for a file
    std::uint64_t modified; // the last write, in the system's own units: only for comparing
};

// What is at path (following links). A missing entry is a NotFound failure.
Result<EntryInfo, FileError> inspect(std::string_view path);

struct TreeEntry {
    std::string relativePath; // UTF-8, parts joined with kPathSeparator
    bool isFolder;
    std::uint64_t size;
};

// Something inside a tree that cannot be listed or copied as it stands.
struct TreeProblem {
    std::string relativePath;
    FileError error;
};

struct TreeListing {
    std::vector<TreeEntry> entries; // every folder comes before what it holds
    std::vector<TreeProblem> problems;
};

// Everything under folder. Links to folders are not followed (they could
// loop); they are listed as problems. Fails only when folder itself cannot be read.
Result<TreeListing, FileError> listTree(std::string_view folder);

namespace detail {
// The walk below a folder that listTree has found to be one; each platform
// reads folders its own way.
TreeListing walkTree(std::string_view folder);
} // namespace detail

// The names in folder itself, not below it, without "." and "..".
Result<std::vector<std::string>, FileError> namesInFolder(std::string_view folder);

// Creates folder if it is not there yet; a folder already there is success.
Result<Done, FileError> ensureFolder(std::string_view folder);

// Removes folder if it is empty; one with anything in it stays, as a failure.
Result<Done, FileError> removeEmptyFolder(std::string_view folder);

// True when both paths exist and name the same file or folder (after links,
// case folding and any other aliasing the file system does).
bool sameEntry(std::string_view first, std::string_view second);

// True when two destination paths name the same entry of a folder: byte for
// byte on POSIX, without regard to case on Windows.
bool sameName(std::string_view first, std::string_view second);

// True when path is folder itself or lies anywhere beneath it.
bool isSameOrInside(std::string_view path, std::string_view folder);

} // namespace rv::platform
