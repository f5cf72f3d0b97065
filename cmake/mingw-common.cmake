# Shared by both mingw-w64 toolchains: what makes the program a self-contained
# Windows executable. Included after the architecture's file has set
# RV_MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${RV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${RV_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RV_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wide-character Win32 API everywhere; Windows 7 is the oldest system whose
# calls (safe DLL search) the program uses.
set(CMAKE_C_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")
set(CMAKE_CXX_FLAGS_INIT "-DUNICODE -D_UNICODE -D_WIN32_WINNT=0x0601")

# A clinic copies one .exe into the records system's folder: link the C and
# C++ runtimes and winpthread statically, so only system DLLs are imported.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Every test program runs in the build's own wine prefix (created on first use).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;${CMAKE_BINARY_DIR}/wineprefix")
