# Cross-builds the Windows x86_64 target on Linux with MinGW-w64 and runs its
# test programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
