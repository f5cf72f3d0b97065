# 32-bit Windows build: the one a clinic installs, since only a 32-bit process
# can load 32-bit speech DLLs. Its tests run under wine (wine32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(RV_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
