#pragma once

#include "platform/file_system.h"
#include "platform/owned_handle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace rv::platform {

class DestinationFolder;

// What a listing saw of a file: enough to tell later whether the file opened
// is the one listed, and unchanged.
struct SourceStamp {
    std::uint64_t device = 0;
    std::uint64_t index = 0; // the inode; the file index on Windows
    std::uint64_t size = 0;
    std::uint64_t modified = 0;
    std::uint64_t changed = 0; // the last change of content or attributes
    bool operator==(const SourceStamp&) const = default;
};

// A folder's permissions and owner, in the system's own terms: what its copy
// takes on once it is filled.
struct FolderLook {
    std::uint32_t permissions = 0; // the mode bits on POSIX, the attributes on Windows
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

// A source file opened for reading. Only regular files are opened: a link
// is not followed and a pipe, device or socket is never waited on.
class SourceFile {
public:
    // A file the settings name by its path. The folders on the way are the
    // clinic's own and are followed; the name itself must be a regular file.
    static Result<SourceFile, FileError> open(std::string_view path);
    // A file of a backup, at relative below folder: reached one name at a
    // time, never through a link, and never waited on (openFileBelow).
    static Result<SourceFile, FileError> openBelow(const DestinationFolder& folder, std::string_view relative);

    const std::string& path() const { return path_; } // for messages
    NativeHandle handle() const { return handle_.get(); }

private:
    friend class SourceWalk; // which opens files its own way
    SourceFile(OwnedHandle handle, std::string path) : handle_(std::move(handle)), path_(std::move(path)) {}

    OwnedHandle handle_;
    std::string path_;
};

enum class WalkStepKind {
    FolderStart, // a folder entered: what it holds follows, then its FolderEnd
    FolderEnd,
    File,      // a regular file; openFile opens it, until the next step
    NotCopied, // a link, pipe, device or socket, or a folder that cannot be read
};

struct WalkStep {
    WalkStepKind kind = WalkStepKind::FolderStart;
    std::string relativePath;                          // parts joined with "/"; "" for the walked folder itself
    SourceStamp stamp;                                 // File: as listed
    FolderLook look;                                   // FolderStart and FolderEnd
    FileError problem{FileErrorKind::NotReadable, {}}; // NotCopied: what it is, or what went wrong

    // The last part of relativePath.
    std::string_view name() const;
};

// The entries under a folder, one step at a time, depth first. Nothing of
// the entries passed is kept, so a walk takes the same memory for a million
// files as for a thousand; only the folders on the way down are held open,
// which also keeps a folder on the way from being swapped for a link. Links
// are listed, never followed. A file system the system makes up as it is
// read (/proc, /sys) is not entered.
class SourceWalk {
public:
    // Fails only when folder itself cannot be opened as a folder; a link
    // naming it is followed, as it is the folder the settings name.
    static Result<SourceWalk, FileError> open(std::string_view folder);

    SourceWalk(SourceWalk&& other) noexcept;
    SourceWalk& operator=(SourceWalk&& other) noexcept;
    SourceWalk(const SourceWalk&) = delete;
    SourceWalk& operator=(const SourceWalk&) = delete;
    ~SourceWalk();

    // The next step, or nullptr once everything is walked. The step stays
    // valid until the next call.
    const WalkStep* next();

    // The file of the last File step, if it is still the regular file listed
    // (the same device and index): one swapped for a link, a pipe or another
    // file since is refused for what it now is.
    Result<SourceFile, FileError> openFile();

    // The full path of an entry of the walk, for messages.
    std::string pathOf(std::string_view relativePath) const;

    struct State;
    explicit SourceWalk(std::unique_ptr<State> state);

private:
    std::unique_ptr<State> state_;
};

} // namespace rv::platform
