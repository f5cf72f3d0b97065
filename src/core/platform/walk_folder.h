#pragma once

#include "platform/owned_handle.h"
#include "platform/source_tree.h"

#include <memory>
#include <string>

// A platform's part of a SourceWalk: one folder held open and read an entry
// at a time. The walk itself, depth first, is the same everywhere
// (source_tree.cpp).
namespace rv::platform {

class WalkFolder; // the platform's own
struct WalkFolderClose {
    void operator()(WalkFolder* folder) const;
};
using HeldFolder = std::unique_ptr<WalkFolder, WalkFolderClose>;

struct OpenedFolder {
    HeldFolder folder;
    FolderLook look;
};

// What the next entry of a folder turned out to be.
struct ListedEntry {
    enum class Kind {
        End,       // the folder is read to its end
        BrokenOff, // the listing failed: problem says why
        File,
        Folder,
        NotCopied, // a link, pipe, device or socket, or an entry that could not be looked at
    };
    Kind kind = Kind::End;
    std::string relativePath;
    SourceStamp stamp; // File; for a Folder, its device and index as listed
    FileError problem{FileErrorKind::NotReadable, {}};
};

// The folder a walk starts at. A link naming it is followed: it is the
// folder the settings name.
Result<OpenedFolder, FileError> openWalkRoot(const std::string& path);

// The next entry but "." and "..", or the end; folder lies at relative below
// root. An entry gone since the folder was read is passed over.
ListedEntry readEntry(WalkFolder& folder, const std::string& root, const std::string& relative);

// The Folder entry readEntry has just given, opened as itself, never through
// a link, and checked to be the folder listed.
Result<OpenedFolder, FileError> openListedFolder(WalkFolder& parent, const ListedEntry& entry, const std::string& path);

// The File entry readEntry gave last, likewise; it must still be the regular
// file listed.
Result<OwnedHandle, FileError> openListedFile(WalkFolder& folder, const WalkStep& step, const std::string& path);

} // namespace rv::platform
