#include "platform/file_copy.h"

#include "platform/long_path_win.h"
#include "platform/temporary_names.h"

#include <windows.h>

#include <utility>

namespace rv::platform {
namespace {

DWORD CALLBACK reportProgress(LARGE_INTEGER /*total*/, LARGE_INTEGER transferred, LARGE_INTEGER /*streamSize*/,
                              LARGE_INTEGER /*streamTransferred*/, DWORD /*stream*/, DWORD /*reason*/,
                              HANDLE /*source*/, HANDLE /*destination*/, LPVOID data)
{
    const auto* control = static_cast<const CopyControl*>(data);
    if (control->cancel != nullptr && control->cancel->load()) {
        return PROGRESS_CANCEL;
    }
    if (control->onBytes) {
        control->onBytes(static_cast<std::uint64_t>(transferred.QuadPart));
    }
    return PROGRESS_CONTINUE;
}

// A file written to while it is copied (the records system still at work on
// a database) gives a copy that is neither the old nor the new file.
bool changedSince(HANDLE source, const BY_HANDLE_FILE_INFORMATION& atOpen)
{
    BY_HANDLE_FILE_INFORMATION now{};
    return !GetFileInformationByHandle(source, &now) || now.nFileSizeHigh != atOpen.nFileSizeHigh ||
           now.nFileSizeLow != atOpen.nFileSizeLow ||
           CompareFileTime(&now.ftLastWriteTime, &atOpen.ftLastWriteTime) != 0;
}

// A copy made from a read-only source is read-only too, and neither
// MoveFileExW nor DeleteFileW may replace or remove such a file.
void clearReadOnly(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

} // namespace

Result<PendingFile, FileError> FileCopier::copyToTemporary(std::string_view sourceView, std::string_view targetView,
                                                           const CopyControl& control)
{
    const std::string source(sourceView);
    auto info = inspect(source);
    if (!info.ok()) {
        return Result<PendingFile, FileError>::failure(info.error());
    }
    if (info.value().kind != EntryKind::File) {
        return Result<PendingFile, FileError>::failure({FileErrorKind::NotReadable, source + ": a folder, not a file"});
    }
    const std::wstring sourceW = longPathW(source);
    // CopyFileExW does not say which side failed; opening the source first
    // does. The handle stays open to see whether the source changed meanwhile.
    HANDLE probe = CreateFileW(sourceW.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        return Result<PendingFile, FileError>::failure(sourceErrorW(GetLastError(), source));
    }
    BY_HANDLE_FILE_INFORMATION atOpen{};
    const BOOL knownAtOpen = GetFileInformationByHandle(probe, &atOpen);

    PendingFile pending{temporaryPathFor(targetView), std::string(targetView), 0};
    const std::wstring temporaryW = longPathW(pending.temporaryPath);
    BOOL cancelRequested = FALSE;
    if (!CopyFileExW(sourceW.c_str(), temporaryW.c_str(), reportProgress, const_cast<CopyControl*>(&control),
                     &cancelRequested, COPY_FILE_FAIL_IF_EXISTS)) {
        const DWORD error = GetLastError();
        CloseHandle(probe);
        clearReadOnly(temporaryW);
        DeleteFileW(temporaryW.c_str());
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
            return Result<PendingFile, FileError>::failure(sourceErrorW(error, source));
        }
        return Result<PendingFile, FileError>::failure(destinationErrorW(error, pending.temporaryPath));
    }
    const bool changed = !knownAtOpen || changedSince(probe, atOpen);
    CloseHandle(probe);
    if (changed) {
        clearReadOnly(temporaryW);
        DeleteFileW(temporaryW.c_str());
        return Result<PendingFile, FileError>::failure(
            {FileErrorKind::Changed, source + ": changed while being copied"});
    }
    auto written = inspect(pending.temporaryPath);
    pending.bytes = written.ok() ? written.value().size : info.value().size;
    return Result<PendingFile, FileError>::success(std::move(pending));
}

Result<Done, FileError> commit(const PendingFile& pending)
{
    const std::wstring targetW = longPathW(pending.targetPath);
    clearReadOnly(targetW);
    if (!MoveFileExW(longPathW(pending.temporaryPath).c_str(), targetW.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), pending.targetPath));
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> discard(const PendingFile& pending)
{
    const std::wstring temporaryW = longPathW(pending.temporaryPath);
    clearReadOnly(temporaryW);
    if (!DeleteFileW(temporaryW.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), pending.temporaryPath));
    }
    return Result<Done, FileError>::success({});
}

// Windows has no flush of a whole volume for ordinary users: each pending file
// is flushed through its own handle, and MOVEFILE_WRITE_THROUGH makes each
// rename durable before commit returns, so nothing else is left to flush.
Result<WriteFlusher, FileError> WriteFlusher::open(std::string_view destinationFolder)
{
    auto info = inspect(destinationFolder);
    if (!info.ok() || info.value().kind != EntryKind::Folder) {
        return Result<WriteFlusher, FileError>::failure(
            {FileErrorKind::NotWritable, std::string(destinationFolder) + ": not a folder"});
    }
    return Result<WriteFlusher, FileError>::success(WriteFlusher(0));
}

WriteFlusher::WriteFlusher(WriteFlusher&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

WriteFlusher& WriteFlusher::operator=(WriteFlusher&& other) noexcept
{
    std::swap(handle_, other.handle_);
    return *this;
}

WriteFlusher::~WriteFlusher() = default;

Result<Done, FileError> WriteFlusher::flush(std::span<const PendingFile> pending)
{
    for (const PendingFile& file : pending) {
        HANDLE handle = CreateFileW(longPathW(file.temporaryPath).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), file.temporaryPath));
        }
        const BOOL flushed = FlushFileBuffers(handle);
        const DWORD error = GetLastError();
        CloseHandle(handle);
        if (!flushed) {
            return Result<Done, FileError>::failure(destinationErrorW(error, file.temporaryPath));
        }
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
