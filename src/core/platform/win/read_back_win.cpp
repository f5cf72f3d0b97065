#include "platform/read_back.h"
#include "platform/win/long_path_win.h"

#include <algorithm>
#include <string>

namespace rv::platform {
namespace {

// Unbuffered reads want sector-aligned buffers and sizes; VirtualAlloc
// gives whole pages. A small file gets a buffer its size: most of a backup's
// files are small, and many are read at a time.
constexpr DWORD kChunk = 1 << 20;
constexpr DWORD kPage = 4096;

struct Handle {
    HANDLE value = INVALID_HANDLE_VALUE;
    ~Handle()
    {
        if (value != INVALID_HANDLE_VALUE) {
            CloseHandle(value);
        }
    }
};

struct Pages {
    explicit Pages(DWORD bytes) : size(bytes) {}
    DWORD size;
    void* memory = VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    Pages(const Pages&) = delete;
    Pages& operator=(const Pages&) = delete;
    ~Pages()
    {
        if (memory) {
            VirtualFree(memory, 0, MEM_RELEASE);
        }
    }
};

HANDLE openForReading(const std::wstring& path, DWORD flags)
{
    // A link is opened as itself, so a read-back never leaves the backup.
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
}

} // namespace

Result<ReadBack, FileError> readFromDevice(std::string_view path, const std::atomic<bool>* cancel)
{
    using R = Result<ReadBack, FileError>;
    const std::string name(path);
    const std::wstring wide = longPathW(path);
    ReadBack done;
    OffsetHasher hasher;
    Handle file;
    file.value = openForReading(wide, FILE_FLAG_NO_BUFFERING);
    if (file.value == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER) {
        // A file system without unbuffered reads: the cache is what there is.
        file.value = openForReading(wide, 0);
        done.path = ReadPath::CacheDropped;
    }
    if (file.value == INVALID_HANDLE_VALUE) {
        return R::failure(sourceErrorW(GetLastError(), name));
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.value, &size)) {
        return R::failure(sourceErrorW(GetLastError(), name));
    }
    const Pages buffer(static_cast<DWORD>(
        std::clamp<LONGLONG>((size.QuadPart + kPage - 1) / kPage * kPage, LONGLONG{kPage}, LONGLONG{kChunk})));
    if (!buffer.memory) {
        return R::failure({FileErrorKind::NotReadable, name + ": no memory for reading"});
    }
    for (;;) {
        if (cancel && *cancel) {
            return R::failure({FileErrorKind::Cancelled, name});
        }
        DWORD got = 0;
        if (!ReadFile(file.value, buffer.memory, buffer.size, &got, nullptr)) {
            return R::failure(sourceErrorW(GetLastError(), name));
        }
        if (got == 0) {
            done.digest = hasher.digestOf(done.bytes);
            return R::success(done);
        }
        hasher.add(done.bytes, buffer.memory, got);
        done.bytes += got;
    }
}

} // namespace rv::platform
