#include "running_program.h"

#include "platform/paths.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <thread>

namespace rv::test {

RunningProgram::RunningProgram(const std::wstring& exe, const std::wstring& workingFolder)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, workingFolder.c_str(),
                        &startup, &process_)) {
        process_ = {};
    }
}

RunningProgram::~RunningProgram()
{
    if (!process_.hProcess) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

namespace {

struct WindowSearch {
    DWORD processId;
    const std::function<bool(HWND)>* matches;
    HWND found;
};

// Named, not a lambda: a lambda does not convert to a __stdcall callback on x86.
BOOL CALLBACK matchTopLevel(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && (*search->matches)(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

struct TextCollection {
    const std::wstring* childClass;
    std::vector<std::wstring> texts;
};

BOOL CALLBACK collectText(HWND child, LPARAM context)
{
    auto* collection = reinterpret_cast<TextCollection*>(context);
    if (_wcsicmp(className(child).c_str(), collection->childClass->c_str()) == 0) {
        const std::wstring text = windowText(child);
        if (!text.empty()) {
            collection->texts.push_back(text);
        }
    }
    return TRUE;
}

// Whatever the pipe holds now, without waiting for more.
void readWaiting(HANDLE pipe, std::string& output)
{
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) {
            return;
        }
        output.append(buffer, got);
    }
}

} // namespace

HWND RunningProgram::waitForWindow(const std::function<bool(HWND)>& matches, std::chrono::milliseconds timeout) const
{
    WindowSearch search{process_.dwProcessId, &matches, nullptr};
    waitUntil(
        [&] {
            EnumWindows(&matchTopLevel, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

HWND RunningProgram::waitForWindowCaption(const std::wstring& caption, std::chrono::milliseconds timeout) const
{
    return waitForWindow([&](HWND window) { return windowText(window) == caption; }, timeout);
}

HWND RunningProgram::waitForMessageBox(const std::wstring& caption, std::chrono::milliseconds timeout) const
{
    return waitForWindow([&](HWND window) { return isMessageBox(window) && windowText(window) == caption; }, timeout);
}

HWND RunningProgram::focus() const
{
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(process_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

int RunningProgram::waitForExit(std::chrono::milliseconds timeout) const
{
    if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) {
        return -1;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}

bool RunningProgram::selectInFolderBrowser(HWND browser, const std::wstring& path) const
{
    // The browser is on screen before its folder tree is filled; a
    // selection asked for earlier finds no item to select.
    HWND tree = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
    const auto treeFilled = [&] {
        DWORD_PTR count = 0;
        return tree && SendMessageTimeoutW(tree, TVM_GETCOUNT, 0, 0, SMTO_NORMAL, 1000, &count) && count > 0;
    };
    if (!waitUntil(treeFilled)) {
        return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // A dialog's answer to its own messages is not the message's result, so
    // whether the selection took is seen only in what the program does next.
    const bool delivered =
        sendWithData(browser, BFFM_SETSELECTIONW, TRUE, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return delivered;
}

bool RunningProgram::sendWithData(HWND window, UINT message, WPARAM wParam, const void* data, std::size_t size) const
{
    // The receiver reads lParam in its own address space: put the data there.
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) {
        return false;
    }
    DWORD_PTR ignored = 0;
    const bool delivered = WriteProcessMemory(process_.hProcess, remote, data, size, nullptr) &&
                           SendMessageTimeoutW(window, message, wParam, reinterpret_cast<LPARAM>(remote), SMTO_NORMAL,
                                               10000, &ignored) != 0;
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return delivered;
}

ConsoleRun runToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingFolder,
                    std::chrono::milliseconds timeout)
{
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ConsoleRun run;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    std::wstring commandLine = L"\"" + exe + L"\" " + arguments;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        workingFolder.c_str(), &startup, &process);
    CloseHandle(writeEnd); // the child holds the only writing end now
    if (started) {
        // Read while it runs, so that a full pipe never stalls it; one that
        // has not ended in time (a window waiting for a person) is ended.
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        bool ended = false;
        while (!ended && std::chrono::steady_clock::now() < deadline) {
            ended = WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0;
            readWaiting(readEnd, run.output);
        }
        DWORD code = 0;
        if (ended && GetExitCodeProcess(process.hProcess, &code)) {
            run.exitCode = static_cast<int>(code);
        } else {
            TerminateProcess(process.hProcess, 1);
        }
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return run;
}

std::filesystem::path fromUnixArgument(const char* argument)
{
    std::string path = argument;
    if (!path.empty() && path.front() == '/') {
        path = "Z:" + path;
    }
    return rv::platform::toPath(path).make_preferred();
}

std::wstring windowText(HWND window)
{
    wchar_t text[4096] = {};
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &ignored);
    return text;
}

std::wstring className(HWND window)
{
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

bool isMessageBox(HWND window) { return className(window) == L"#32770"; }

std::vector<std::wstring> childTexts(HWND parent, const std::wstring& childClass)
{
    TextCollection collection{&childClass, {}};
    EnumChildWindows(parent, &collectText, reinterpret_cast<LPARAM>(&collection));
    return collection.texts;
}

} // namespace rv::test
