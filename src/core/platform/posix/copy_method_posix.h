#pragma once

#include "platform/file_copy.h"

namespace rv::platform {

// How a POSIX copier moves the bytes. Automatic takes the fastest that the
// two file systems allow and falls back on its own; the others exist to
// measure and to test each way on its own.
enum class CopyMethod { Automatic, DirectWrite, CopyFileRange, Sendfile, ReadWrite };

// A copier that moves the bytes only the given way.
FileCopier fileCopierUsing(CopyMethod method);

} // namespace rv::platform
