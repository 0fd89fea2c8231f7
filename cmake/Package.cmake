# Release packages of korvex.exe, written to <build>/package: the program folder as a zip
# (korvex-<version>-<arch>.zip) and an NSIS installer (korvex-<version>-setup-<arch>.exe).
# scripts/package builds the target korvex_package in the release builds. The x86_64 test build
# makes the installer too, with the openvpn doubles as a stand-in for the OpenVPN components,
# for the end-to-end installer test; that one is never shipped.
set(KORVEX_OPENVPN_DIR "" CACHE PATH
    "Folder with the OpenVPN components to ship in openvpn\\ beside the program; empty: the client alone")
find_program(KORVEX_MAKENSIS makensis)
find_program(KORVEX_ZIP zip)

set(package_for_tests OFF)
if(KORVEX_BUILD_TESTS AND KORVEX_RUN_UNDER_WINE AND TARGET openvpn_double)
  set(package_for_tests ON)
endif()
if(NOT KORVEX_MAKENSIS OR NOT KORVEX_ZIP)
  message(STATUS "No makensis or zip (scripts/bootstrap installs them): no packages in this build")
  return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(arch x64)
  set(nsis_target amd64-unicode)
else()
  set(arch x86)
  set(nsis_target x86-unicode)
endif()

# The installer refuses to run beside the client by its single-instance mutex: the name is read
# from the client's source, where it is defined.
file(READ ${CMAKE_SOURCE_DIR}/app/korvex_app_win32.h app_header)
if(NOT app_header MATCHES "kSingleInstanceMutexName\\[\\] =[ \t\r\n]*L\"([^\"]+)\"")
  message(FATAL_ERROR "No kSingleInstanceMutexName in app/korvex_app_win32.h")
endif()
string(REPLACE "\\\\" "\\" mutex_name "${CMAKE_MATCH_1}")

set(package_dir ${CMAKE_BINARY_DIR}/package)
set(folder ${package_dir}/korvex-${PROJECT_VERSION}-${arch})
set(KORVEX_PACKAGE_ZIP ${folder}.zip)
set(KORVEX_PACKAGE_SETUP ${package_dir}/korvex-${PROJECT_VERSION}-setup-${arch}.exe)
set(nsi ${CMAKE_SOURCE_DIR}/res/package/korvex.nsi)
set(readme ${CMAKE_SOURCE_DIR}/res/package/readme.txt)
set(stage_script ${CMAKE_SOURCE_DIR}/cmake/package_folder.sh)
set(openvpn_files openvpn.exe ca.crt tap_korvex.inf tap_korvex.sys tapinstall.exe)

set(openvpn_dir ${KORVEX_OPENVPN_DIR})
set(openvpn_depends)
set(all)
set(nsis_options)
if(package_for_tests)
  # The doubles with their placeholder files, laid out by the tests' own helper; the test build's
  # installer is quick to make rather than small.
  set(openvpn_dir ${package_dir}/openvpn_doubles/openvpn)
  add_custom_command(OUTPUT ${openvpn_dir}/openvpn.exe
    COMMAND bash -c "source \"$1\" && openvpn_double_install \"$2\" \"$3\""
            bash ${CMAKE_SOURCE_DIR}/tools/openvpn_double/doubles.sh ${package_dir}/openvpn_doubles
            $<TARGET_FILE_DIR:openvpn_double>
    DEPENDS openvpn_double tapinstall_double ${CMAKE_SOURCE_DIR}/tools/openvpn_double/doubles.sh
    VERBATIM)
  set(openvpn_depends ${openvpn_dir}/openvpn.exe)
  set(KORVEX_PACKAGE_OPENVPN_FIXTURE ${openvpn_dir})
  set(all ALL)
  list(APPEND nsis_options -DCOMPRESSOR=zlib)
elseif(openvpn_dir)
  foreach(file IN LISTS openvpn_files)
    list(APPEND openvpn_depends ${openvpn_dir}/${file})
  endforeach()
endif()
if(openvpn_dir)
  list(APPEND nsis_options -DOPENVPN)
endif()

add_custom_command(OUTPUT ${KORVEX_PACKAGE_ZIP} ${KORVEX_PACKAGE_SETUP}
  COMMAND bash ${stage_script} ${folder} ${KORVEX_PACKAGE_ZIP} $<TARGET_FILE:korvex> ${readme} ${openvpn_dir}
  COMMAND ${KORVEX_MAKENSIS} -V2 -INPUTCHARSET UTF8 -DTARGET=${nsis_target} -DVERSION=${PROJECT_VERSION}
          -DSTAGE=${folder} -DOUTFILE=${KORVEX_PACKAGE_SETUP} -DMUTEX=${mutex_name}
          -DICON=${CMAKE_SOURCE_DIR}/res/icons/main.ico ${nsis_options} ${nsi}
  DEPENDS korvex ${nsi} ${readme} ${stage_script} ${openvpn_depends}
  COMMENT "Packing korvex ${PROJECT_VERSION} (${arch})"
  VERBATIM)
add_custom_target(korvex_package ${all} DEPENDS ${KORVEX_PACKAGE_ZIP} ${KORVEX_PACKAGE_SETUP})
