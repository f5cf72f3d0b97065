#pragma once

#include "platform/file_system.h"
#include "platform/owned_handle.h"
#include "platform/source_tree.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace rv::platform {

struct MadeFolder;

// A folder of the backup, held open. Everything below the chosen folder is
// reached from it one name at a time, and a link met on the way is never
// passed through: whatever links the destination holds, nothing is written
// outside the chosen folder.
class DestinationFolder {
public:
    // The folder the user chose. A link naming it is followed: that is the
    // folder chosen.
    static Result<DestinationFolder, FileError> openChosen(std::string_view path);

    // The folder name inside this one, made if it is not there (private to
    // its owner until applyFolderLook gives it its source's look). A link
    // there is replaced by a new folder: only the link goes, never what it
    // points to. Anything else there is a failure.
    Result<MadeFolder, FileError> makeFolder(std::string_view name) const;

    // The folder name inside this one, as it is: never made, never reached
    // through a link, and nothing about it changed. For reading what an
    // earlier run left, and for moving entries into it.
    Result<DestinationFolder, FileError> openFolder(std::string_view name) const;

    // Removes the folder name inside this one if it is empty.
    Result<Done, FileError> removeEmptyFolder(std::string_view name) const;

    // Calls onName for each name in the folder but "." and "..", without
    // keeping them: a folder may hold a million.
    Result<Done, FileError> forEachName(const std::function<void(std::string_view name)>& onName) const;

    // Removes the file name inside this one, if it is there.
    Result<Done, FileError> removeFile(std::string_view name) const;

    // Moves the entry name inside this folder to newName inside into, both
    // on this folder's file system: a rename, never a copy, and a link there
    // is moved as the link. Nothing already at newName is ever replaced: that
    // is a failure. NotFound when name is not there.
    Result<Done, FileError> moveEntry(std::string_view name, const DestinationFolder& into,
                                      std::string_view newName) const;

    // For the chosen folder: fails when its path no longer leads to it (the
    // folder removed, its disk pulled out or unmounted). Its handle would
    // still write there; the backup must not go where nobody will find it.
    Result<Done, FileError> stillChosen() const;

    const std::string& path() const { return path_; } // for messages
    // Where it lies inside the chosen folder; "" for the chosen folder itself.
    const std::string& relativePath() const { return relative_; }
    // The full path of an entry given relative to the chosen folder.
    std::string pathOf(std::string_view relative) const;
    // The full path of an entry given relative to this folder.
    std::string pathBelow(std::string_view relative) const;
    NativeHandle handle() const { return handle_.get(); }

private:
    // A name of an entry, and nothing that could climb out of the folder.
    static bool isPlainName(std::string_view name);
    // makeFolder, once name is known to be plain; path is where it lies.
    Result<MadeFolder, FileError> makePlainFolder(const std::string& name, const std::string& path) const;
    // moveEntry, once both names are known to be plain.
    Result<Done, FileError> movePlainEntry(const std::string& name, const DestinationFolder& into,
                                           const std::string& newName) const;
    // openFolder, once name is known to be plain.
    Result<DestinationFolder, FileError> openPlainFolder(const std::string& name, const std::string& path) const;

    DestinationFolder(OwnedHandle handle, std::string path, std::string relative, std::string root)
        : handle_(std::move(handle)), path_(std::move(path)), relative_(std::move(relative)), root_(std::move(root))
    {
    }

    OwnedHandle handle_;
    std::string path_;
    std::string relative_;
    std::string root_; // the chosen folder's path
};

// An entry of the backup by a folder of it held open, and its path inside
// that folder.
struct HeldEntry {
    const DestinationFolder& folder;
    std::string_view inFolder;
};

// The bytes free on the folder's file system for this process to write.
Result<std::uint64_t, FileError> freeSpace(const DestinationFolder& folder);

struct MadeFolder {
    DestinationFolder folder;
    bool created = false;
    // When a link stood there: what it pointed to, for the run's notes.
    std::optional<std::string> replacedLink;
    // Why its permissions could not be set while it is filled (a file
    // system that holds none): it is used as it is.
    std::optional<FileError> lookNotKept;
};

enum class Reach {
    Open,       // each folder as it is (openFolder)
    Make,       // each folder made if it is not there, a link there replaced (makeFolder)
    OpenOrMake, // each folder as it is, made only where nothing is there
};

// Goes down from folder along the "/"-separated parts of relative (not
// empty), reaching each as how says; never through a link.
Result<DestinationFolder, FileError> folderBelow(const DestinationFolder& folder, std::string_view relative, Reach how);

// Gives the folder at relative (inside root, the chosen folder) the look of
// its source folder: its permissions, and its owner where the process may
// set it (as root); what it has already is left alone. Called once the
// folder is filled, so that a read-only folder can still be filled.
Result<Done, FileError> applyFolderLook(const DestinationFolder& root, std::string_view relative,
                                        const FolderLook& look);

} // namespace rv::platform
