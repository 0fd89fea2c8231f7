# The Windows suite runs under 64-bit Wine in a private prefix inside the build folder. The
# environment is set on every test through CTest properties; scripts/wine-env reads the same
# values from wine/env (written here) so that test discovery, which CTest runs without those
# properties, sees the same prefix. The prefix and an Xvfb display are made on first use.
set(KORVEX_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
set(KORVEX_WINE_ENVIRONMENT
  WINEPREFIX=${KORVEX_WINE_STATE}/prefix
  WINEARCH=win64
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml="
  LC_ALL=zh_CN.UTF-8)

string(REPLACE ";" "\n" env_lines "${KORVEX_WINE_ENVIRONMENT}")
file(WRITE ${KORVEX_WINE_STATE}/env "${env_lines}\n")

if(KORVEX_RUN_UNDER_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/wine-env run ${KORVEX_WINE_STATE})
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CROSSCOMPILING_EMULATOR} PARENT_SCOPE)
  # One prefix and display for the whole suite, stopped (wineserver -k, Xvfb) at the end.
  add_test(NAME wine.start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env start ${KORVEX_WINE_STATE})
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-env stop ${KORVEX_WINE_STATE})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60)
endif()
