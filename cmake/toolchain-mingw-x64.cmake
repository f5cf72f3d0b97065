# 64-bit Windows build, cross-compiled with Debian's mingw-w64; its tests run
# under wine64 through CTest.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RV_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
