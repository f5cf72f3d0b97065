#include "platform/file_system.h"

#include "platform/paths.h"
#include "platform/posix/file_errors_posix.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace rv::platform {
namespace {

namespace fs = std::filesystem;

bool identical(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

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
    return Result<EntryInfo, FileError>::success({kind, static_cast<std::uint64_t>(info.st_size)});
}

bool sameEntry(std::string_view first, std::string_view second)
{
    struct stat a {};
    struct stat b {};
    return ::stat(std::string(first).c_str(), &a) == 0 && ::stat(std::string(second).c_str(), &b) == 0 &&
           identical(a, b);
}

bool isEntryOf(std::string_view destination, std::string_view source)
{
    struct stat a {};
    struct stat b {};
    return ::lstat(std::string(destination).c_str(), &a) == 0 && ::stat(std::string(source).c_str(), &b) == 0 &&
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
