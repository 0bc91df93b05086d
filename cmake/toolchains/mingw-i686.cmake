# 32-bit Windows with mingw-w64 (POSIX thread model): the build whose engine records have the
# sizes the engine contract gives (pointers of 4 bytes).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VARELO_MINGW_TRIPLE i686-w64-mingw32)
set(VARELO_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
