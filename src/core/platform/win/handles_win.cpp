#include "platform/win/handles_win.h"

#include <optional>

namespace rv::platform {

FileIdentity identityOf(const BY_HANDLE_FILE_INFORMATION& info)
{
    return {info.dwVolumeSerialNumber, (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

bool isLink(DWORD attributes, DWORD reparseTag)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
           (reparseTag == 0 || IsReparseTagNameSurrogate(reparseTag));
}

std::optional<FileError> notRegularFileW(HANDLE handle, const std::string& what)
{
    switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
        break;
    case FILE_TYPE_PIPE:
        return FileError{FileErrorKind::Pipe, what + ": a named pipe"};
    default:
        return FileError{FileErrorKind::Device, what + ": a device"};
    }
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
        const DWORD error = GetLastError();
        return FileError{FileErrorKind::NotReadable, what + ": error " + std::to_string(error),
                         static_cast<int>(error)};
    }
    if (isLink(tag.FileAttributes, tag.ReparseTag)) {
        return FileError{FileErrorKind::Link, what + ": a link, not followed"};
    }
    if (tag.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        return FileError{FileErrorKind::NotReadable, what + ": a folder, not a file"};
    }
    return std::nullopt;
}

std::wstring finalPathOf(HANDLE handle)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

bool isPlaceOf(const std::wstring& path, const std::wstring& folder, const std::wstring& relative)
{
    if (path.empty() || folder.empty()) {
        return false;
    }
    std::wstring expected = folder;
    if (!relative.empty()) {
        if (expected.back() != L'\\') {
            expected += L'\\';
        }
        expected += relative;
    }
    return CompareStringOrdinal(path.c_str(), static_cast<int>(path.size()), expected.c_str(),
                                static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

const FILE_ID_BOTH_DIR_INFO* DirectoryReader::next()
{
    for (;;) {
        if (entry_ != nullptr && entry_->NextEntryOffset != 0) {
            entry_ = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(reinterpret_cast<const char*>(entry_) +
                                                                    entry_->NextEntryOffset);
        } else {
            const auto kind = started_ ? FileIdBothDirectoryInfo : FileIdBothDirectoryRestartInfo;
            started_ = true;
            if (!GetFileInformationByHandleEx(folder_, kind, buffer_.data(),
                                              static_cast<DWORD>(buffer_.size() * sizeof(buffer_[0])))) {
                const DWORD error = GetLastError();
                error_ = error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
                entry_ = nullptr;
                return nullptr;
            }
            entry_ = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer_.data());
        }
        const std::wstring name = nameOf(*entry_);
        if (name != L"." && name != L"..") {
            return entry_;
        }
    }
}

std::wstring nameOf(const FILE_ID_BOTH_DIR_INFO& entry)
{
    return std::wstring(entry.FileName, entry.FileNameLength / sizeof(WCHAR));
}

} // namespace rv::platform
