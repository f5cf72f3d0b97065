#include "platform/text_output.h"
#include "platform/win/long_path_win.h"

#include <utility>

namespace rv::platform {

Result<TextOutput, FileError> TextOutput::open(std::string_view path, Mode mode)
{
    const std::string name(path);
    const DWORD access = mode == Mode::Append ? FILE_APPEND_DATA : GENERIC_WRITE;
    const DWORD disposition = mode == Mode::Append ? OPEN_ALWAYS : CREATE_NEW;
    HANDLE handle = CreateFileW(longPathW(path).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return Result<TextOutput, FileError>::failure(destinationErrorW(GetLastError(), name));
    }
    return Result<TextOutput, FileError>::success(TextOutput(OwnedHandle(handle), name));
}

Result<Done, FileError> TextOutput::write(std::string_view text)
{
    while (!text.empty()) {
        const DWORD wanted = text.size() > 0x40000000 ? 0x40000000 : static_cast<DWORD>(text.size());
        DWORD put = 0;
        if (!WriteFile(handle_.get(), text.data(), wanted, &put, nullptr)) {
            return Result<Done, FileError>::failure(destinationErrorW(GetLastError(), path_));
        }
        text.remove_prefix(put);
    }
    return Result<Done, FileError>::success({});
}

Result<Done, FileError> TextOutput::finish()
{
    OwnedHandle file = std::move(handle_);
    const bool flushed = FlushFileBuffers(file.get()) != 0;
    const DWORD error = GetLastError();
    file.close();
    if (!flushed) {
        return Result<Done, FileError>::failure(destinationErrorW(error, path_));
    }
    return Result<Done, FileError>::success({});
}

} // namespace rv::platform
