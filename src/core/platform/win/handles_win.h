#pragma once

#include "platform/file_system.h"
#include "platform/owned_handle.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rv::platform {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A file's place on its volume: the volume's serial number and the file's index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info);

// A link of any kind Windows has (symbolic link, junction, mount point): a
// reparse point that stands for another name. Other reparse points (cloud
// placeholders, deduplicated files) hold the file's own data. A tag of 0,
// which Windows never gives but an emulation may, counts as a link.
bool isLink(DWORD attributes, DWORD reparseTag);

// What an open handle is, when it is not a regular file the backup copies.
std::optional<FileError> notRegularFileW(HANDLE handle, const std::string& what);

// The path the system itself gives the object behind the handle, every link
// resolved: two handles are in the same place when these agree.
std::wstring finalPathOf(HANDLE handle);

// True when path is folder\relative, compared as the file system does.
bool isPlaceOf(const std::wstring& path, const std::wstring& folder, const std::wstring& relative);

// The entries of an open folder, read a buffer at a time through its handle.
class DirectoryReader {
public:
    explicit DirectoryReader(HANDLE folder) : folder_(folder), buffer_(16 * 1024) {}
    // The next entry but "." and "..", or nullptr at the end; error() says
    // whether the end came early.
    const FILE_ID_BOTH_DIR_INFO* next();
    DWORD error() const { return error_; }

private:
    HANDLE folder_;
    std::vector<std::uint64_t> buffer_; // aligned as the entries need
    const FILE_ID_BOTH_DIR_INFO* entry_ = nullptr;
    bool started_ = false;
    DWORD error_ = ERROR_SUCCESS;
};

std::wstring nameOf(const FILE_ID_BOTH_DIR_INFO& entry);

} // namespace rv::platform
