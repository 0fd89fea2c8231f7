set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KORVEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
# Tests run under 64-bit Wine through a wrapper that sets up the private prefix (see Wine.cmake).
set(KORVEX_RUN_UNDER_WINE ON)
