#include "platform/temporary_names.h"

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

} // namespace rv::platform
