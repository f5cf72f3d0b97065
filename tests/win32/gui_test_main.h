#pragma once

#include <filesystem>

namespace rv::test {

// What the GUI driver's command line names.
struct GuiTestInputs {
    std::filesystem::path programExe;    // the build's rvdatebackup.exe
    std::filesystem::path standInFolder; // the speech stand-ins
};

const GuiTestInputs& guiTestInputs();

// The display scale programs started from now on take (LogPixels in the
// prefix); every run of the driver starts at 96 dpi, whatever a run cut
// short left behind.
void setDisplayDpi(unsigned dpi);

} // namespace rv::test
