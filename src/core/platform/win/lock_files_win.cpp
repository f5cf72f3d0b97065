#include "platform/lock_files.h"
#include "platform/win/long_path_win.h"

namespace rv::platform {

LockFileState lockFileState(std::string_view path)
{
    const std::wstring wide = longPathW(path);
    if (GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES) {
        return LockFileState::Absent;
    }
    // The database engine keeps its lock file open while the database is;
    // opened here without sharing, it is refused exactly then.
    HANDLE handle = CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return LockFileState::Held;
    }
    CloseHandle(handle);
    return LockFileState::Stale;
}

} // namespace rv::platform
