# The product: a 32-bit Windows console exe.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BRACKWIN_MINGW_TRIPLE i686-w64-mingw32)
set(BRACKWIN_WINE_BITS 32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
