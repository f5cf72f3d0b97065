#pragma once

#include <filesystem>

namespace rv::test {

// What the GUI driver's command line names.
struct GuiTestInputs {
    std::filesystem::path programExe;    // the build's rvdatebackup.exe
    std::filesystem::path standInFolder; // the speech stand-ins
};

const GuiTestInputs& guiTestInputs();

} // namespace rv::test
