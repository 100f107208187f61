# Shared part of the MinGW-w64 cross toolchains; the including file sets
# BRACKWIN_MINGW_TRIPLE and BRACKWIN_WINE_BITS.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: GoogleTest needs std::mutex. Linked statically,
# the program still imports no threading DLL.
set(CMAKE_C_COMPILER ${BRACKWIN_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BRACKWIN_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BRACKWIN_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BRACKWIN_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links statically, so the exe runs on a bare Windows machine and
# imports nothing but system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Release builds ship without symbols.
set(CMAKE_EXE_LINKER_FLAGS_MINSIZEREL_INIT "-s")

# Test programs run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_CURRENT_LIST_DIR}/wine-run;${BRACKWIN_WINE_BITS}")
