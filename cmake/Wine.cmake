# The Windows suite runs under 64-bit Wine in a private prefix inside the build folder. The
# environment is set on every test through CTest properties; scripts/wine-env reads the same
# values from wine/env (written here) so that test discovery, which CTest runs without those
# properties, sees the same prefix. The prefix and an Xvfb display are made on first use.
set(KORVEX_WINE_STATE ${CMAKE_BINARY_DIR}/wine)
# The reference service the login tests talk to, served by the "service" fixture below.
set(KORVEX_SERVICE_PORT 18088 CACHE STRING "Loopback port of the reference service in the Windows suite")
set(KORVEX_SERVICE_STATE ${CMAKE_BINARY_DIR}/service)
set(KORVEX_WINE_ENVIRONMENT
  WINEPREFIX=${KORVEX_WINE_STATE}/prefix
  WINEARCH=win64
  WINEDEBUG=-all
  "WINEDLLOVERRIDES=mscoree,mshtml="
  LC_ALL=zh_CN.UTF-8
  KORVEX_SERVICE_URL=http://127.0.0.1:${KORVEX_SERVICE_PORT}/)

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

  add_test(NAME service.start
    COMMAND ${CMAKE_SOURCE_DIR}/scripts/service start ${KORVEX_SERVICE_STATE} ${KORVEX_SERVICE_PORT})
  add_test(NAME service.stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/service stop ${KORVEX_SERVICE_STATE})
  set_tests_properties(service.start PROPERTIES FIXTURES_SETUP service TIMEOUT 60)
  set_tests_properties(service.stop PROPERTIES FIXTURES_CLEANUP service TIMEOUT 60)
endif()
