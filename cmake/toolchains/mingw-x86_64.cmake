# 64-bit Windows with mingw-w64 (POSIX thread model).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARELO_MINGW_TRIPLE x86_64-w64-mingw32)
set(VARELO_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
