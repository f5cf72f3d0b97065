#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/read_back.h"
#include "platform/win/handles_win.h"
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
    // A link is opened as itself, so a read never leaves the backup.
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT | flags, nullptr);
}

// The file at relative below folder, opened by its long path, then accepted
// only where the system says it is: Windows opens no name relative to a
// handle, so a link on the way shows as another place. Past the cache
// where the file system allows; path says how it came.
Result<OwnedHandle, FileError> openBelow(const DestinationFolder& folder, std::string_view relative, bool pastCache,
                                         ReadPath& path)
{
    using R = Result<OwnedHandle, FileError>;
    const std::string what = entryPath(folder.path(), relative);
    const std::wstring wide = longPathW(what);
    path = pastCache ? ReadPath::Device : ReadPath::CacheDropped;
    OwnedHandle file(openForReading(wide, pastCache ? FILE_FLAG_NO_BUFFERING : 0));
    if (!file.valid() && pastCache && GetLastError() == ERROR_INVALID_PARAMETER) {
        // A file system without unbuffered reads: the cache is what there is.
        file = OwnedHandle(openForReading(wide, 0));
        path = ReadPath::CacheDropped;
    }
    if (!file.valid()) {
        return R::failure(sourceErrorW(GetLastError(), what));
    }
    if (auto notRegular = notRegularFileW(file.get(), what)) {
        return R::failure(*notRegular);
    }
    if (!isPlaceOf(finalPathOf(file.get()), finalPathOf(folder.handle()), toPath(relative).native())) {
        return R::failure({FileErrorKind::Link, what + ": reached through a link"});
    }
    return R::success(std::move(file));
}

} // namespace

Result<OwnedHandle, FileError> openFileBelow(const DestinationFolder& folder, std::string_view relative)
{
    ReadPath path = ReadPath::CacheDropped;
    return openBelow(folder, relative, false, path);
}

Result<ReadBack, FileError> readFromDeviceBelow(const DestinationFolder& folder, std::string_view relative,
                                                const std::atomic<bool>* cancel)
{
    using R = Result<ReadBack, FileError>;
    const std::string name = entryPath(folder.path(), relative);
    ReadBack done;
    OffsetHasher hasher;
    auto file = openBelow(folder, relative, true, done.path);
    if (!file.ok()) {
        return R::failure(file.error());
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.value().get(), &size)) {
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
        if (!ReadFile(file.value().get(), buffer.memory, buffer.size, &got, nullptr)) {
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
