#include "platform/owned_handle.h"

#include <unistd.h>

namespace rv::platform {

bool closeNative(NativeHandle handle) { return ::close(handle) == 0; }

} // namespace rv::platform
