#include "platform/input_file.h"

#include "platform/paths.h"

#include <windows.h>

namespace rv::platform {
namespace {

std::string systemMessage(DWORD error) { return "Windows error " + std::to_string(error); }

} // namespace

Result<InputFile, OpenFailure> InputFile::open(std::string_view utf8Path)
{
    using R = Result<InputFile, OpenFailure>;
    const std::filesystem::path path = toPath(utf8Path);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return R::failure({OpenFailureKind::NotAFile, "is a directory"});
    }
    // Share everything: the records system may hold the file open while we read.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        OpenFailureKind kind = OpenFailureKind::Other;
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            kind = OpenFailureKind::NotFound;
        } else if (error == ERROR_ACCESS_DENIED) {
            kind = OpenFailureKind::AccessDenied;
        }
        return R::failure({kind, systemMessage(error), static_cast<int>(error)});
    }
    return R::success(InputFile(OwnedHandle(handle)));
}

Result<std::size_t, std::string> InputFile::read(char* buffer, std::size_t size)
{
    using R = Result<std::size_t, std::string>;
    DWORD count = 0;
    const DWORD wanted = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!ReadFile(handle_.get(), buffer, wanted, &count, nullptr)) {
        return R::failure(systemMessage(GetLastError()));
    }
    return R::success(static_cast<std::size_t>(count));
}

} // namespace rv::platform
