#include "platform/source_content.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

#include <algorithm>
#include <memory>

namespace rv::platform {
namespace {

constexpr LONGLONG kChunk = LONGLONG{1} << 20;

} // namespace

Result<SourceStamp, FileError> stampOf(const SourceFile& file)
{
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO times{};
    if (!GetFileInformationByHandle(file.handle(), &info) ||
        !GetFileInformationByHandleEx(file.handle(), FileBasicInfo, &times, sizeof times)) {
        return Result<SourceStamp, FileError>::failure(sourceErrorW(GetLastError(), file.path()));
    }
    const FileIdentity identity = identityOf(info);
    return Result<SourceStamp, FileError>::success(
        {identity.volume, identity.index, (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow,
         static_cast<std::uint64_t>(times.LastWriteTime.QuadPart),
         static_cast<std::uint64_t>(times.ChangeTime.QuadPart)});
}

// The copy sets its own place before it reads, and so does this, and puts
// it back at the start when done.
Result<ContentDigest, FileError> digestOf(const SourceFile& file, const std::atomic<bool>* cancel)
{
    using R = Result<ContentDigest, FileError>;
    const HANDLE handle = file.handle();
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle, start, nullptr, FILE_BEGIN)) {
        return R::failure(sourceErrorW(GetLastError(), file.path()));
    }
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(handle, &length)) {
        return R::failure(sourceErrorW(GetLastError(), file.path()));
    }
    // Most of a clinic's files are small: a buffer their size, not filled
    // first, costs a small file next to nothing.
    const DWORD size = static_cast<DWORD>(std::clamp<LONGLONG>(length.QuadPart + 1, 4096, kChunk));
    const std::unique_ptr<char[]> buffer(new char[size]);
    ContentHasher hasher;
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return R::failure({FileErrorKind::Cancelled, file.path()});
        }
        DWORD got = 0;
        if (!ReadFile(handle, buffer.get(), size, &got, nullptr)) {
            return R::failure(sourceErrorW(GetLastError(), file.path()));
        }
        if (got == 0) {
            SetFilePointerEx(handle, start, nullptr, FILE_BEGIN);
            return R::success(hasher.digest());
        }
        hasher.add(buffer.get(), got);
    }
}

} // namespace rv::platform
