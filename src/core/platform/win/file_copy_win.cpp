#include "platform/file_copy.h"

#include "platform/temporary_names.h"
#include "platform/win/long_path_win.h"

#include <windows.h>

#include <exception>
#include <memory>
#include <utility>

namespace rv::platform {
namespace {

bool cancelled(const CopyControl& control) { return control.cancel != nullptr && control.cancel->load(); }

// What the progress routine works with: the caller's control, and how many
// bytes of this file it has been told of.
struct ProgressState {
    const CopyControl& control;
    std::uint64_t reported = 0;
    std::exception_ptr failure; // thrown by onBytes, to be rethrown past CopyFileExW
};

void report(ProgressState& state, std::uint64_t bytes)
{
    state.reported = bytes;
    if (state.control.onBytes) {
        state.control.onBytes(bytes);
    }
}

// Reports first, so that a cancel asked for while the progress is shown
// stops the copy at this call rather than the next, which may never come.
// An exception may not cross the system's frames: it ends the copy and is
// thrown again once CopyFileExW has returned.
DWORD CALLBACK reportProgress(LARGE_INTEGER /*total*/, LARGE_INTEGER transferred, LARGE_INTEGER /*streamSize*/,
                              LARGE_INTEGER /*streamTransferred*/, DWORD /*stream*/, DWORD /*reason*/,
                              HANDLE /*source*/, HANDLE /*destination*/, LPVOID data)
{
    auto* state = static_cast<ProgressState*>(data);
    try {
        report(*state, static_cast<std::uint64_t>(transferred.QuadPart));
    } catch (...) {
        state->failure = std::current_exception();
        return PROGRESS_CANCEL;
    }
    return cancelled(state->control) ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
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

// A copy made from a read-only source is read-only too (CopyFileExW keeps the
// attributes, and so does a restore that copies it back), and neither
// MoveFileExW nor DeleteFileW may replace or remove such a file.
void clearReadOnly(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

// FlushFileBuffers needs a handle open for writing, which a read-only file
// refuses to an ordinary user: the attribute is lifted for the flush and put
// back after it. Gives the error, or ERROR_SUCCESS.
DWORD flushToDevice(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly && !SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        return GetLastError();
    }
    DWORD error = ERROR_SUCCESS;
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else {
        if (!FlushFileBuffers(handle)) {
            error = GetLastError();
        }
        CloseHandle(handle);
    }
    if (readOnly && !SetFileAttributesW(path.c_str(), attributes) && error == ERROR_SUCCESS) {
        error = GetLastError();
    }
    return error;
}

void removeTemporary(const std::wstring& temporary)
{
    clearReadOnly(temporary);
    DeleteFileW(temporary.c_str());
}

} // namespace

// CopyFileExW chooses how the bytes go; nothing is kept between copies.
struct FileCopier::State {};

FileCopier::FileCopier() : state_(std::make_unique<State>()) {}
FileCopier::FileCopier(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileCopier::FileCopier(FileCopier&& other) noexcept = default;
FileCopier& FileCopier::operator=(FileCopier&& other) noexcept = default;
FileCopier::~FileCopier() = default;

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

    PendingFile pending{{}, std::string(targetView), 0};
    std::wstring temporaryW;
    BOOL cancelRequested = FALSE;
    ProgressState progress{control, 0, nullptr};
    // The name is created, never taken over: one already there (left by an
    // earlier process of the same number, cut off by a power cut) is passed
    // over for the next.
    DWORD error = ERROR_SUCCESS;
    for (unsigned tries = 1;; ++tries) {
        pending.temporaryPath = temporaryPathFor(targetView);
        temporaryW = longPathW(pending.temporaryPath);
        error = CopyFileExW(sourceW.c_str(), temporaryW.c_str(), reportProgress, &progress, &cancelRequested,
                            COPY_FILE_FAIL_IF_EXISTS)
                    ? ERROR_SUCCESS
                    : GetLastError();
        if ((error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) || tries == kTemporaryNameTries) {
            break;
        }
    }
    if (error != ERROR_SUCCESS) {
        BY_HANDLE_FILE_INFORMATION now{};
        const bool sourceStillAnswers = GetFileInformationByHandle(probe, &now) != 0;
        CloseHandle(probe);
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            removeTemporary(temporaryW); // what CopyFileExW made of it; a name taken is not ours
        }
        if (progress.failure) {
            std::rethrow_exception(progress.failure);
        }
        return Result<PendingFile, FileError>::failure(
            copyFailureW(error, sourceStillAnswers, source, pending.temporaryPath));
    }
    const bool changed = !knownAtOpen || changedSince(probe, atOpen);
    CloseHandle(probe);
    if (changed) {
        removeTemporary(temporaryW);
        return Result<PendingFile, FileError>::failure(
            {FileErrorKind::Changed, source + ": changed while being copied"});
    }
    auto written = inspect(pending.temporaryPath);
    pending.bytes = written.ok() ? written.value().size : info.value().size;
    // Not every CopyFileExW calls the routine (wine's never does): the caller
    // still hears of the whole file, and a cancel asked for meanwhile keeps
    // this copy from replacing its target.
    if (progress.reported != pending.bytes) {
        try {
            report(progress, pending.bytes);
        } catch (...) {
            removeTemporary(temporaryW);
            throw;
        }
    }
    if (cancelled(control)) {
        removeTemporary(temporaryW);
        return Result<PendingFile, FileError>::failure({FileErrorKind::Cancelled, source});
    }
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
        if (const DWORD error = flushToDevice(longPathW(file.temporaryPath)); error != ERROR_SUCCESS) {
            return Result<Done, FileError>::failure(destinationErrorW(error, file.temporaryPath));
        }
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
