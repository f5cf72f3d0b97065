#include "platform/temporary_names.h"

#include "platform/long_path_win.h"

#include <windows.h>

namespace rv::platform {

std::uint64_t currentProcessId() { return GetCurrentProcessId(); }

// A process that exists but may not be opened by this one is still running.
bool processIsRunning(std::uint64_t process)
{
    if (process > MAXDWORD) {
        return false;
    }
    HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(process));
    if (handle == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool running = WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
    CloseHandle(handle);
    return running;
}

Result<std::vector<std::string>, FileError> namesInFolder(std::string_view folder)
{
    std::wstring pattern = longPathW(folder);
    if (!pattern.empty() && pattern.back() != L'\\') {
        pattern += L'\\';
    }
    pattern += L'*';
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return Result<std::vector<std::string>, FileError>::failure(
            destinationErrorW(GetLastError(), std::string(folder)));
    }
    std::vector<std::string> names;
    do {
        names.push_back(utf8FromWide(found.cFileName));
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) {
        return Result<std::vector<std::string>, FileError>::failure(destinationErrorW(error, std::string(folder)));
    }
    return Result<std::vector<std::string>, FileError>::success(std::move(names));
}

} // namespace rv::platform
