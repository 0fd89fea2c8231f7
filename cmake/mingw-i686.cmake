set(CMAKE_SYSTEM_PROCESSOR i686)
set(KORVEX_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# 32-bit programs cannot run on the build machines: this build is compiled and shipped, not tested.
set(KORVEX_RUN_UNDER_WINE OFF)
