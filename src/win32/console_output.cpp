#include "win32/console_output.h"

#include "win32/wide_text.h"

#include <windows.h>

#include <streambuf>
#include <string>

namespace rv::win32 {
namespace {

// Passes each line on as soon as it is complete, so progress shows as it happens.
class ConsoleBuffer final : public std::streambuf {
public:
    explicit ConsoleBuffer(HANDLE handle) : handle_(handle)
    {
        DWORD mode = 0;
        isConsole_ = handle_ != nullptr && GetConsoleMode(handle_, &mode) != 0;
    }
    ConsoleBuffer(const ConsoleBuffer&) = delete;
    ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;
    ~ConsoleBuffer() override { flushPending(); }

protected:
    int_type overflow(int_type c) override
    {
        if (c != traits_type::eof()) {
            pending_ += static_cast<char>(c);
            if (c == '\n') {
                flushPending();
            }
        }
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        pending_.append(text, static_cast<std::size_t>(count));
        if (pending_.find('\n') != std::string::npos) {
            flushPending();
        }
        return count;
    }

    int sync() override
    {
        flushPending();
        return 0;
    }

private:
    void flushPending()
    {
        if (pending_.empty() || handle_ == nullptr) {
            pending_.clear();
            return;
        }
        DWORD written = 0;
        if (isConsole_) {
            const std::wstring wide = widen(pending_);
            WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        } else {
            WriteFile(handle_, pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr);
        }
        pending_.clear();
    }

    HANDLE handle_;
    bool isConsole_ = false;
    std::string pending_;
};

class ConsoleStream final : public std::ostream {
public:
    explicit ConsoleStream(HANDLE handle) : std::ostream(nullptr), buffer_(handle) { rdbuf(&buffer_); }

private:
    ConsoleBuffer buffer_;
};

bool usable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

std::unique_ptr<std::ostream> openConsole(DWORD standardHandle)
{
    HANDLE inherited = GetStdHandle(standardHandle);
    if (usable(inherited)) {
        return std::make_unique<ConsoleStream>(inherited);
    }
    // Attached already (for the other stream) is as good as attached now.
    if (AttachConsole(ATTACH_PARENT_PROCESS) || GetLastError() == ERROR_ACCESS_DENIED) {
        HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
        if (usable(console)) {
            return std::make_unique<ConsoleStream>(console);
        }
    }
    return std::make_unique<ConsoleStream>(nullptr);
}

} // namespace

std::unique_ptr<std::ostream> openConsoleOutput() { return openConsole(STD_OUTPUT_HANDLE); }

std::unique_ptr<std::ostream> openConsoleError() { return openConsole(STD_ERROR_HANDLE); }

} // namespace rv::win32
