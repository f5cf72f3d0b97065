// The GUI driver's entry point: the program and the stand-ins from the
// command line, COM for reading the program's pictures, and awareness of
// each monitor's scale, so that the program's windows are measured in the
// pixels they are drawn in rather than scaled to this process's dpi.
#include "gui_test_main.h"
#include "running_program.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace rv::test {
namespace {

GuiTestInputs inputs;

} // namespace

const GuiTestInputs& guiTestInputs() { return inputs; }

void setDisplayDpi(unsigned dpi)
{
    const DWORD value = dpi;
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &value, sizeof value);
}

} // namespace rv::test

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: win32_gui_tests RVDATEBACKUP.EXE STAND-IN-FOLDER\n");
        return 2;
    }
    rv::test::inputs = {rv::test::fromUnixArgument(argv[1]), rv::test::fromUnixArgument(argv[2])};
    // For this thread, where the tests run: the process's own awareness is
    // settled by wine before main. wine 8 knows the first form of per-monitor
    // awareness only.
    using SetAwareness = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto setAwareness = reinterpret_cast<SetAwareness>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    if (!setAwareness || (!setAwareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2) &&
                          !setAwareness(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE))) {
        std::fprintf(stderr, "win32_gui_tests: cannot measure in physical pixels\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
        return 2;
    }
    rv::test::setDisplayDpi(96);
    const int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
