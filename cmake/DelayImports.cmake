# Delay-import libraries for system DLLs the program needs only once the user acts or once the
# main window has shown: dial-up (rasapi32), the routing table (iphlpapi), the notice pane's
# automation types and OLE (oleaut32, ole32), the common controls of the wait and server windows
# (comctl32), the sockets of a fetch or a speed test (ws2_32), the shell (shell32: the tray icon,
# links, the route journal's folder) and the program's version for the login (version).
# Imported the usual way, each is loaded, with what it pulls in, before the first window shows;
# through these libraries it is loaded at its first call. dlltool makes each one from the names
# in the toolchain's own import library; libdelayimp supplies the loader.
function(korvex_delay_import_libraries out_var)
  set(libraries)
  foreach(name IN LISTS ARGN)
    execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=lib${name}.a
                    OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${CMAKE_NM} ${import_library} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
    if(failed OR NOT EXISTS "${import_library}")
      message(FATAL_ERROR "no import library for ${name}")
    endif()
    # "__imp_Name" (x86_64) or "__imp__Name@8" (i686): the export is Name, or Name@8 with the
    # decoration dropped on import (-k).
    string(REGEX MATCHALL "I __imp__?[A-Za-z0-9_@?$]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^I __imp_" "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      list(TRANSFORM imports REPLACE "^_" "")
    endif()
    list(REMOVE_DUPLICATES imports)
    string(TOUPPER ${name} dll)
    list(JOIN imports "\n" exports)
    set(def ${CMAKE_BINARY_DIR}/delay/${name}.def)
    file(WRITE ${def} "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    set(library ${CMAKE_BINARY_DIR}/delay/lib${name}_delay.a)
    execute_process(COMMAND ${CMAKE_DLLTOOL} -k -d ${def} -y ${library} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dlltool could not make the delay-import library for ${name}")
    endif()
    list(APPEND libraries ${library})
  endforeach()
  set(${out_var} ${libraries} delayimp PARENT_SCOPE)
endfunction()
