#include "platform/file_copy.h"

#include "common/path_text.h"
#include "platform/copy_to_temporary.h"
#include "platform/paths.h"
#include "platform/temporary_names.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

#include <windows.h>
#include <winioctl.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace rv::platform {
namespace {

// Large enough that the disk is kept busy, small enough that a cancel or a
// progress report never waits long.
constexpr DWORD kChunkBytes = DWORD{8} << 20;

bool cancelled(const CopyControl& control) { return control.cancel != nullptr && control.cancel->load(); }

std::uint64_t value(const LARGE_INTEGER& number) { return static_cast<std::uint64_t>(number.QuadPart); }

// A file written to while it is copied (the records system still at work on
// a database) gives a copy that is neither the old nor the new file.
bool changedSince(HANDLE source, const BY_HANDLE_FILE_INFORMATION& atOpen)
{
    BY_HANDLE_FILE_INFORMATION now{};
    return !GetFileInformationByHandle(source, &now) || now.nFileSizeHigh != atOpen.nFileSizeHigh ||
           now.nFileSizeLow != atOpen.nFileSizeLow ||
           CompareFileTime(&now.ftLastWriteTime, &atOpen.ftLastWriteTime) != 0;
}

// A copy made from a read-only source is read-only too, as a restore that
// copies it back needs it; but neither MoveFileExW nor DeleteFileW may
// replace or remove such a file. A link is left alone: its attributes would
// be those of what it points to.
void clearReadOnly(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
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
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
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

// The parts of a sparse source that hold data, or nothing when the file
// system cannot say (the whole file is then copied).
std::optional<std::vector<FILE_ALLOCATED_RANGE_BUFFER>> dataRanges(HANDLE source, std::uint64_t size)
{
    std::vector<FILE_ALLOCATED_RANGE_BUFFER> ranges;
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.Length.QuadPart = static_cast<LONGLONG>(size);
    std::vector<FILE_ALLOCATED_RANGE_BUFFER> found(64);
    for (;;) {
        DWORD returned = 0;
        const BOOL done = DeviceIoControl(source, FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, found.data(),
                                          static_cast<DWORD>(found.size() * sizeof(found[0])), &returned, nullptr);
        if (!done && GetLastError() != ERROR_MORE_DATA) {
            return std::nullopt;
        }
        const std::size_t count = returned / sizeof(found[0]);
        ranges.insert(ranges.end(), found.begin(), found.begin() + static_cast<std::ptrdiff_t>(count));
        if (done || count == 0) {
            return ranges;
        }
        const auto& last = found[count - 1];
        const LONGLONG end = last.FileOffset.QuadPart + last.Length.QuadPart;
        query.Length.QuadPart -= end - query.FileOffset.QuadPart;
        query.FileOffset.QuadPart = end;
    }
}

} // namespace

// The steps of a copy (platform/copy_to_temporary.h), and a buffer for the
// bytes, kept between copies.
struct FileCopier::State {
    using Plan = BY_HANDLE_FILE_INFORMATION;
    static Result<Plan, FileError> examine(HANDLE from, const std::string& source);
    static std::uint64_t sizeOf(const Plan& info)
    {
        return (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    }
    static std::uint64_t modifiedOf(const Plan& info)
    {
        return (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
               info.ftLastWriteTime.dwLowDateTime;
    }
    static Result<OwnedHandle, FileError> create(const DestinationFolder& folder, const std::string& name,
                                                 const Plan& plan, bool& taken);
    static bool changedSince(HANDLE from, const Plan& info) { return platform::changedSince(from, info); }
    static std::optional<FileError> keepLook(HANDLE to, const Plan& info, const std::string& temporary);
    static FileError closeError(const std::string& temporary) { return destinationErrorW(GetLastError(), temporary); }
    static void drop(const DestinationFolder& folder, const std::string& name, OwnedHandle& to);

    Result<std::uint64_t, FileError> copyRange(HANDLE from, HANDLE to, std::uint64_t start, std::uint64_t length,
                                               OffsetHasher& hasher, const std::string& source,
                                               const std::string& temporary, const CopyControl& control);
    Result<std::uint64_t, FileError> copyData(HANDLE from, HANDLE to, const BY_HANDLE_FILE_INFORMATION& info,
                                              OffsetHasher& hasher, const std::string& source,
                                              const std::string& temporary, const CopyControl& control);

    std::vector<char> buffer;
};

FileCopier::FileCopier() : state_(std::make_unique<State>()) {}
FileCopier::FileCopier(std::unique_ptr<State> state) : state_(std::move(state)) {}
FileCopier::FileCopier(FileCopier&& other) noexcept = default;
FileCopier& FileCopier::operator=(FileCopier&& other) noexcept = default;
FileCopier::~FileCopier() = default;

// The bytes are read from the handle the source was opened and checked
// through, never from its name again.
Result<std::uint64_t, FileError> FileCopier::State::copyRange(HANDLE from, HANDLE to, std::uint64_t start,
                                                              std::uint64_t length, OffsetHasher& hasher,
                                                              const std::string& source, const std::string& temporary,
                                                              const CopyControl& control)
{
    using R = Result<std::uint64_t, FileError>;
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(start);
    if (!SetFilePointerEx(from, at, nullptr, FILE_BEGIN)) {
        return R::failure(sourceErrorW(GetLastError(), source));
    }
    if (!SetFilePointerEx(to, at, nullptr, FILE_BEGIN)) {
        return R::failure(destinationErrorW(GetLastError(), temporary));
    }
    buffer.resize(kChunkBytes);
    std::uint64_t done = 0;
    while (done < length) {
        if (cancelled(control)) {
            return R::failure({FileErrorKind::Cancelled, source});
        }
        const auto wanted = static_cast<DWORD>(std::min<std::uint64_t>(kChunkBytes, length - done));
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), wanted, &read, nullptr)) {
            return R::failure(sourceErrorW(GetLastError(), source));
        }
        if (read == 0) {
            break; // the source ended early: it has changed
        }
        hasher.add(start + done, buffer.data(), read);
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
            return R::failure(destinationErrorW(GetLastError(), temporary));
        }
        done += read;
        if (control.onBytes) {
            control.onBytes(start + done);
        }
    }
    return R::success(done);
}

// A sparse source has its ranges of data copied into a sparse copy, so that
// its holes stay holes; how far the copy reaches comes back.
Result<std::uint64_t, FileError> FileCopier::State::copyData(HANDLE from, HANDLE to,
                                                             const BY_HANDLE_FILE_INFORMATION& info,
                                                             OffsetHasher& hasher, const std::string& source,
                                                             const std::string& temporary, const CopyControl& control)
{
    using R = Result<std::uint64_t, FileError>;
    const std::uint64_t size = sizeOf(info);
    const auto ranges = (info.dwFileAttributes & FILE_ATTRIBUTE_SPARSE_FILE) ? dataRanges(from, size) : std::nullopt;
    DWORD returned = 0;
    if (!ranges || !DeviceIoControl(to, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr)) {
        return copyRange(from, to, 0, size, hasher, source, temporary, control);
    }
    for (const FILE_ALLOCATED_RANGE_BUFFER& range : *ranges) {
        const std::uint64_t start = value(range.FileOffset);
        const std::uint64_t length = std::min(value(range.Length), size - std::min(size, start));
        auto copied = copyRange(from, to, start, length, hasher, source, temporary, control);
        if (!copied.ok() || copied.value() < length) {
            return copied.ok() ? R::success(start + copied.value()) : copied;
        }
    }
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(to, end, nullptr, FILE_BEGIN) || !SetEndOfFile(to)) {
        return R::failure(destinationErrorW(GetLastError(), temporary));
    }
    if (control.onBytes) {
        control.onBytes(size); // a hole at the end is copied too, by the end set
    }
    return R::success(size);
}

Result<BY_HANDLE_FILE_INFORMATION, FileError> FileCopier::State::examine(HANDLE from, const std::string& source)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(from, &info)) {
        return Result<BY_HANDLE_FILE_INFORMATION, FileError>::failure(sourceErrorW(GetLastError(), source));
    }
    return Result<BY_HANDLE_FILE_INFORMATION, FileError>::success(info);
}

namespace {

// Removed through its own handle once it is closed.
void removeOnClose(HANDLE file)
{
    FILE_DISPOSITION_INFO disposition{TRUE};
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
}

} // namespace

Result<OwnedHandle, FileError> FileCopier::State::create(const DestinationFolder& folder, const std::string& name,
                                                         const Plan& /*plan*/, bool& taken)
{
    using R = Result<OwnedHandle, FileError>;
    const std::string temporary = entryPath(folder.path(), name);
    OwnedHandle to(CreateFileW(longPathW(temporary).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!to.valid()) {
        const DWORD error = GetLastError();
        taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
        return R::failure(destinationErrorW(error, temporary));
    }
    // Made at its folder's path: it must be in the folder, not past a link.
    if (!isPlaceOf(finalPathOf(to.get()), finalPathOf(folder.handle()), toPath(name).native())) {
        removeOnClose(to.get());
        return R::failure({FileErrorKind::NotWritable, temporary + ": reached through a link"});
    }
    return R::success(std::move(to));
}

// The copy keeps the source's times and attributes (hidden, system,
// read-only), as a restore needs them. Set last: a read-only file can no
// longer be removed through its handle. Its batch's flush and the next
// backup lift the read-only attribute where they must write.
std::optional<FileError> FileCopier::State::keepLook(HANDLE to, const Plan& info, const std::string& temporary)
{
    constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO basic{};
    basic.CreationTime.LowPart = info.ftCreationTime.dwLowDateTime;
    basic.CreationTime.HighPart = static_cast<LONG>(info.ftCreationTime.dwHighDateTime);
    basic.LastAccessTime.LowPart = info.ftLastAccessTime.dwLowDateTime;
    basic.LastAccessTime.HighPart = static_cast<LONG>(info.ftLastAccessTime.dwHighDateTime);
    basic.LastWriteTime.LowPart = info.ftLastWriteTime.dwLowDateTime;
    basic.LastWriteTime.HighPart = static_cast<LONG>(info.ftLastWriteTime.dwHighDateTime);
    basic.FileAttributes =
        (info.dwFileAttributes & kKept) != 0 ? (info.dwFileAttributes & kKept) : FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(to, FileBasicInfo, &basic, sizeof basic)) {
        return destinationErrorW(GetLastError(), temporary + ": attributes");
    }
    return std::nullopt;
}

void FileCopier::State::drop(const DestinationFolder& folder, const std::string& name, OwnedHandle& to)
{
    if (to.valid()) {
        removeOnClose(to.get());
        to.close();
        return;
    }
    const std::wstring temporaryW = longPathW(entryPath(folder.path(), name));
    clearReadOnly(temporaryW);
    DeleteFileW(temporaryW.c_str());
}

Result<PendingFile, FileError> FileCopier::copyToTemporary(const SourceFile& source, const DestinationFolder& folder,
                                                           std::string_view name, const CopyControl& control)
{
    return copyToTemporaryWith(*state_, source, folder, name, control);
}

namespace {

// The folder of a path relative to the chosen folder, as a long path, once
// the system says it is where it should be: no link on the way.
Result<std::wstring, FileError> checkedFolderOf(const DestinationFolder& root, std::string_view relative)
{
    using R = Result<std::wstring, FileError>;
    std::string folder(folderPartOf(relative));
    while (!folder.empty() && isSystemSeparator(folder.back())) {
        folder.pop_back();
    }
    const std::string path = root.pathOf(folder);
    const std::wstring pathW = longPathW(path);
    const OwnedHandle opened(CreateFileW(pathW.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!opened.valid()) {
        return R::failure(destinationErrorW(GetLastError(), path));
    }
    if (!isPlaceOf(finalPathOf(opened.get()), finalPathOf(root.handle()), toPath(folder).native())) {
        return R::failure({FileErrorKind::NotWritable, path + ": reached through a link"});
    }
    return R::success(pathW);
}

std::wstring nameInFolder(const std::wstring& folder, std::string_view relative)
{
    return folder + L"\\" + toPath(fileNameOf(relative)).native();
}

} // namespace

Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending)
{
    using R = Result<Done, FileError>;
    auto from = checkedFolderOf(root, pending.temporaryPath);
    auto to = checkedFolderOf(root, pending.targetPath);
    if (!from.ok() || !to.ok()) {
        return R::failure(from.ok() ? to.error() : from.error());
    }
    const std::wstring targetW = nameInFolder(to.value(), pending.targetPath);
    clearReadOnly(targetW);
    // A link at the target's name is replaced, as any entry there is.
    if (!MoveFileExW(nameInFolder(from.value(), pending.temporaryPath).c_str(), targetW.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return R::failure(destinationErrorW(GetLastError(), root.pathOf(pending.targetPath)));
    }
    return R::success({});
}

// MoveFileExW renames by path alone: the folders held are of no use to it.
Result<Done, FileError> commit(const DestinationFolder& root, const PendingFile& pending, const HeldEntry& /*copy*/,
                               const HeldEntry& /*target*/)
{
    return commit(root, pending);
}

Result<Done, FileError> discard(const DestinationFolder& root, const PendingFile& pending)
{
    auto folder = checkedFolderOf(root, pending.temporaryPath);
    if (!folder.ok()) {
        // A copy whose folder is gone (the destination removed) is gone with it.
        const bool gone =
            GetFileAttributesW(longPathW(root.pathOf(pending.temporaryPath)).c_str()) == INVALID_FILE_ATTRIBUTES &&
            (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND);
        return gone ? Result<Done, FileError>::success({}) : Result<Done, FileError>::failure(folder.error());
    }
    const std::wstring temporaryW = nameInFolder(folder.value(), pending.temporaryPath);
    clearReadOnly(temporaryW);
    if (!DeleteFileW(temporaryW.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
        return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), root.pathOf(pending.temporaryPath)));
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
    return Result<WriteFlusher, FileError>::success(WriteFlusher(OwnedHandle()));
}

Result<Done, FileError> WriteFlusher::flush(const DestinationFolder& root, std::span<const PendingFile* const> pending)
{
    for (const PendingFile* file : pending) {
        const std::string path = root.pathOf(file->temporaryPath);
        if (const DWORD error = flushToDevice(longPathW(path)); error != ERROR_SUCCESS) {
            return Result<Done, FileError>::failure(destinationErrorW(error, path));
        }
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
