#include "platform/owned_handle.h"

#include <windows.h>

namespace rv::platform {

bool closeNative(NativeHandle handle) { return CloseHandle(handle) != FALSE; }

} // namespace rv::platform
