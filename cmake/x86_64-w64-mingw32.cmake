# The same program for 64-bit Windows, so that the Windows code runs under
# 64-bit Wine on hosts that cannot execute 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(BRACKWIN_MINGW_TRIPLE x86_64-w64-mingw32)
set(BRACKWIN_WINE_BITS 64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
