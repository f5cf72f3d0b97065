#include "platform/source_content.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

namespace rv::platform {

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
Result<ContentDigest, FileError> SourceDigester::digestOf(const SourceFile& file, const std::atomic<bool>* cancel)
{
    using R = Result<ContentDigest, FileError>;
    const HANDLE handle = file.handle();
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(handle, start, nullptr, FILE_BEGIN)) {
        return R::failure(sourceErrorW(GetLastError(), file.path()));
    }
    char* const buffer = chunkBuffer();
    hasher_.reset();
    for (;;) {
        if (cancel != nullptr && cancel->load()) {
            return R::failure({FileErrorKind::Cancelled, file.path()});
        }
        DWORD got = 0;
        if (!ReadFile(handle, buffer, static_cast<DWORD>(kChunk), &got, nullptr)) {
            return R::failure(sourceErrorW(GetLastError(), file.path()));
        }
        if (got == 0) {
            SetFilePointerEx(handle, start, nullptr, FILE_BEGIN);
            return R::success(hasher_.digest());
        }
        hasher_.add(buffer, got);
    }
}

} // namespace rv::platform
