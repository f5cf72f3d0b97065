#include "platform/file_system.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/posix/file_errors_posix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <system_error>

namespace rv::platform {
namespace {

namespace fs = std::filesystem;

bool identical(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

using Folder = std::unique_ptr<DIR, int (*)(DIR*)>;

Folder openFolder(const std::string& path) { return Folder(::opendir(path.c_str()), ::closedir); }

// Calls onEntry for each entry but "." and ".."; gives the errno that ended
// the reading early, or 0.
int readEntries(DIR* dir, const std::function<void(const dirent&)>& onEntry)
{
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            onEntry(*entry);
        }
        errno = 0;
    }
    return errno;
}

// One stat per entry: with 20,000 files in a data folder, the listing is a
// noticeable part of a backup.
void listFolder(const std::string& root, const std::string& relative, TreeListing& listing,
                std::vector<std::string>& pending)
{
    const std::string path = joinRelative(root, relative);
    const Folder dir = openFolder(path);
    if (!dir) {
        listing.problems.push_back({relative, sourceError(errno, path)});
        return;
    }
    const int error = readEntries(dir.get(), [&](const dirent& entry) {
        const std::string child = joinRelative(relative, entry.d_name);
        struct stat info {};
        bool link = entry.d_type == DT_LNK;
        if (entry.d_type == DT_UNKNOWN &&
            ::fstatat(::dirfd(dir.get()), entry.d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            link = S_ISLNK(info.st_mode);
        }
        if (::fstatat(::dirfd(dir.get()), entry.d_name, &info, 0) != 0) {
            listing.problems.push_back({child, sourceError(errno, child)});
        } else if (S_ISDIR(info.st_mode) && link) {
            listing.problems.push_back(
                {child, {FileErrorKind::NotReadable, child + ": link to a folder, not followed"}});
        } else if (S_ISDIR(info.st_mode)) {
            listing.entries.push_back({child, true, 0});
            pending.push_back(child);
        } else if (S_ISREG(info.st_mode)) {
            listing.entries.push_back({child, false, static_cast<std::uint64_t>(info.st_size)});
        } else {
            listing.problems.push_back({child, {FileErrorKind::NotReadable, child + ": not a file"}});
        }
    });
    if (error != 0) {
        listing.problems.push_back({relative, sourceError(error, path)});
    }
}

} // namespace

Result<EntryInfo, FileError> inspect(std::string_view path)
{
    const std::string text(path);
    struct stat info {};
    if (::stat(text.c_str(), &info) != 0) {
        return Result<EntryInfo, FileError>::failure(sourceError(errno, text));
    }
    EntryKind kind = EntryKind::Other;
    if (S_ISREG(info.st_mode)) {
        kind = EntryKind::File;
    } else if (S_ISDIR(info.st_mode)) {
        kind = EntryKind::Folder;
    }
    const auto modified = static_cast<std::uint64_t>(info.st_mtim.tv_sec) * 1000000000U +
                          static_cast<std::uint64_t>(info.st_mtim.tv_nsec);
    return Result<EntryInfo, FileError>::success({kind, static_cast<std::uint64_t>(info.st_size), modified});
}

TreeListing detail::walkTree(std::string_view folder)
{
    TreeListing listing;
    std::vector<std::string> pending{""};
    const std::string rootPath(folder);
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        listFolder(rootPath, relative, listing, pending);
    }
    return listing;
}

Result<std::vector<std::string>, FileError> namesInFolder(std::string_view folder)
{
    const std::string path(folder);
    const Folder dir = openFolder(path);
    if (!dir) {
        return Result<std::vector<std::string>, FileError>::failure(sourceError(errno, path));
    }
    std::vector<std::string> names;
    if (const int error = readEntries(dir.get(), [&](const dirent& entry) { names.emplace_back(entry.d_name); });
        error != 0) {
        return Result<std::vector<std::string>, FileError>::failure(sourceError(error, path));
    }
    return Result<std::vector<std::string>, FileError>::success(std::move(names));
}

Result<Done, FileError> ensureFolder(std::string_view folder)
{
    const std::string text(folder);
    if (::mkdir(text.c_str(), 0777) == 0) {
        return Result<Done, FileError>::success({});
    }
    const int error = errno;
    struct stat info {};
    if (error == EEXIST && ::stat(text.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        return Result<Done, FileError>::success({});
    }
    return Result<Done, FileError>::failure(destinationError(error == EEXIST ? ENOTDIR : error, text));
}

Result<Done, FileError> removeEmptyFolder(std::string_view folder)
{
    const std::string text(folder);
    if (::rmdir(text.c_str()) != 0) {
        return Result<Done, FileError>::failure(destinationError(errno, text));
    }
    return Result<Done, FileError>::success({});
}

bool sameEntry(std::string_view first, std::string_view second)
{
    struct stat a {};
    struct stat b {};
    return ::stat(std::string(first).c_str(), &a) == 0 && ::stat(std::string(second).c_str(), &b) == 0 &&
           identical(a, b);
}

bool sameName(std::string_view first, std::string_view second) { return first == second; }

bool isSameOrInside(std::string_view path, std::string_view folder)
{
    struct stat target {};
    if (::stat(std::string(folder).c_str(), &target) != 0) {
        return false;
    }
    std::error_code error;
    fs::path current = fs::weakly_canonical(toPath(path), error);
    if (error) {
        return false;
    }
    for (;;) {
        struct stat info {};
        if (::stat(current.c_str(), &info) == 0 && identical(info, target)) {
            return true;
        }
        if (!current.has_relative_path()) {
            return false;
        }
        current = current.parent_path();
    }
}

} // namespace rv::platform
