#include "platform/win/long_path_win.h"

#include "platform/paths.h"

#include <vector>

namespace rv::platform {

std::wstring longPathW(std::string_view utf8)
{
    std::wstring wide = toPath(utf8).native();
    if (wide.rfind(L"\\\\?\\", 0) == 0) {
        return wide;
    }
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0) {
        return wide;
    }
    std::vector<wchar_t> full(needed);
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    std::wstring absolute(full.data(), length);
    if (absolute.rfind(L"\\\\", 0) == 0) {
        return L"\\\\?\\UNC\\" + absolute.substr(2);
    }
    return L"\\\\?\\" + absolute;
}

FileError sourceErrorW(DWORD error, const std::string& what)
{
    const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH;
    return {missing ? FileErrorKind::NotFound : FileErrorKind::NotReadable, what + ": error " + std::to_string(error),
            static_cast<int>(error)};
}

// ERROR_DISK_QUOTA_EXCEEDED, which not every SDK's headers declare.
constexpr DWORD kDiskQuotaExceeded = 1295;

FileError destinationErrorW(DWORD error, const std::string& what)
{
    if (error == ERROR_REQUEST_ABORTED) {
        return {FileErrorKind::Cancelled, what};
    }
    const bool full = error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL || error == kDiskQuotaExceeded;
    const bool refusedName =
        error == ERROR_INVALID_NAME || error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_BAD_PATHNAME;
    const FileErrorKind kind = full                            ? FileErrorKind::NoSpace
                               : error == ERROR_FILE_TOO_LARGE ? FileErrorKind::TooLarge
                               : refusedName                   ? FileErrorKind::InvalidName
                                                               : FileErrorKind::NotWritable;
    return {kind, what + ": error " + std::to_string(error), static_cast<int>(error)};
}

} // namespace rv::platform
