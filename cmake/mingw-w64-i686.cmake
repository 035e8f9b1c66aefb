# Cross-builds the 32-bit Windows target on Linux with MinGW-w64 and runs its
# test programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(MINGW_TRIPLE i686-w64-mingw32)
set(WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
