#include "platform/destination_entry.h"

#include "common/path_text.h"
#include "platform/paths.h"
#include "platform/win/handles_win.h"
#include "platform/win/long_path_win.h"

#include <string>

namespace rv::platform {
namespace {

OwnedHandle openEntry(const std::string& path, DWORD access)
{
    return OwnedHandle(CreateFileW(longPathW(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

std::uint64_t joined(DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; }

} // namespace

Result<std::optional<EntryStamp>, FileError> stampAt(const DestinationFolder& held, std::string_view relative)
{
    using R = Result<std::optional<EntryStamp>, FileError>;
    const std::string path = held.pathBelow(relative);
    const OwnedHandle entry = openEntry(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!entry.valid() || !GetFileInformationByHandle(entry.get(), &info)) {
        const DWORD error = GetLastError();
        const bool nothing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return nothing ? R::success(std::nullopt) : R::failure(destinationErrorW(error, path));
    }
    const FileIdentity identity = identityOf(info);
    return R::success(EntryStamp{identity.volume, identity.index, joined(info.nFileSizeHigh, info.nFileSizeLow),
                                 joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)});
}

Result<bool, FileError> listedAsSpelled(const DestinationFolder& held, std::string_view relative)
{
    std::string folderPart(folderPartOf(relative));
    while (!folderPart.empty() && isSystemSeparator(folderPart.back())) {
        folderPart.pop_back();
    }
    const std::string path = held.pathBelow(folderPart);
    const OwnedHandle folder = openEntry(path, FILE_LIST_DIRECTORY);
    if (!folder.valid()) {
        return Result<bool, FileError>::failure(destinationErrorW(GetLastError(), path));
    }
    const std::wstring name = toPath(fileNameOf(relative)).native();
    DirectoryReader reader(folder.get());
    while (const FILE_ID_BOTH_DIR_INFO* entry = reader.next()) {
        if (nameOf(*entry) == name) {
            return Result<bool, FileError>::success(true);
        }
    }
    if (reader.error() != ERROR_SUCCESS) {
        return Result<bool, FileError>::failure(destinationErrorW(reader.error(), path));
    }
    return Result<bool, FileError>::success(false);
}

} // namespace rv::platform
