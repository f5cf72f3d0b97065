#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace rv::test {

// The program under test, started as a user would start it, and looked at
// from outside through its windows only.
class RunningProgram {
public:
    RunningProgram(const std::wstring& exe, const std::wstring& workingFolder);
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram(); // ends it if it is still running

    bool started() const { return process_.hProcess != nullptr; }

    // A visible top-level window of the program matching the test, waited for.
    HWND waitForWindow(const std::function<bool(HWND)>& matches,
                       std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    HWND waitForWindowCaption(const std::wstring& caption,
                              std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // A message box with that caption: the progress window shares the
    // program's caption, and a slow run shows it before the closing box.
    HWND waitForMessageBox(const std::wstring& caption,
                           std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // The window that has the keyboard focus in the program's UI thread.
    HWND focus() const;
    // Waits for the program to end; its exit code, or -1 when it did not end.
    int waitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(30)) const;
    // Asks the shell folder browser, open in the program, to select a path;
    // false when the request could not be delivered.
    bool selectInFolderBrowser(HWND browser, const std::wstring& path) const;
    // Sends a message whose lParam points at a copy of data in the
    // program's own memory; false when it could not be delivered.
    bool sendWithData(HWND window, UINT message, WPARAM wParam, const void* data, std::size_t size) const;

private:
    PROCESS_INFORMATION process_{};
};

// A run of the program without a window: what it wrote to its standard
// output and error (one pipe here) and its exit code, -1 when it had not
// ended within the timeout (it is then ended).
struct ConsoleRun {
    int exitCode = -1;
    std::string output;
};
ConsoleRun runToEnd(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workingFolder,
                    std::chrono::milliseconds timeout = std::chrono::seconds(60));

// A path given on the command line by CMake, on the Unix side of wine.
std::filesystem::path fromUnixArgument(const char* argument);

std::wstring windowText(HWND window);
std::wstring className(HWND window);
// A dialog of the system's own class: a message box or the folder browser.
bool isMessageBox(HWND window);
// Texts of the window's children of a class ("Static", "Button").
std::vector<std::wstring> childTexts(HWND parent, const std::wstring& childClass);
// Waits until the condition holds; false when it never did.
bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(20));

} // namespace rv::test
