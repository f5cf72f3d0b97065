#include "running_program.h"

#include <commctrl.h>
#include <shlobj.h>

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

HWND RunningProgram::waitForWindow(const std::function<bool(HWND)>& matches, std::chrono::milliseconds timeout) const
{
    struct Search {
        DWORD processId;
        const std::function<bool(HWND)>* matches;
        HWND found;
    } search{process_.dwProcessId, &matches, nullptr};
    waitUntil(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM context) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(context);
                    DWORD owner = 0;
                    GetWindowThreadProcessId(window, &owner);
                    if (owner == s->processId && IsWindowVisible(window) && (*s->matches)(window)) {
                        s->found = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeout);
    return search.found;
}

HWND RunningProgram::waitForWindowCaption(const std::wstring& caption, std::chrono::milliseconds timeout) const
{
    return waitForWindow([&](HWND window) { return windowText(window) == caption; }, timeout);
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
    // The browser reads the path from its own address space: put it there.
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(process_.hProcess, remote, path.c_str(), bytes, nullptr)) {
        return false;
    }
    // A dialog's answer to its own messages is not the message's result, so
    // whether the selection took is seen only in what the program does next.
    DWORD_PTR ignored = 0;
    const bool delivered = SendMessageTimeoutW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                                               SMTO_NORMAL, 10000, &ignored) != 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return delivered;
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

std::vector<std::wstring> childTexts(HWND parent, const std::wstring& childClass)
{
    struct Collect {
        const std::wstring* childClass;
        std::vector<std::wstring> texts;
    } collect{&childClass, {}};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM context) -> BOOL {
            auto* c = reinterpret_cast<Collect*>(context);
            if (_wcsicmp(className(child).c_str(), c->childClass->c_str()) == 0) {
                const std::wstring text = windowText(child);
                if (!text.empty()) {
                    c->texts.push_back(text);
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&collect));
    return collect.texts;
}

} // namespace rv::test
