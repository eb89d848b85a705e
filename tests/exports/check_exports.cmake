cmake_minimum_required(VERSION 3.20)
# Compares the names the built library exports with those the module
# definition file lists, and on Windows checks that the DLLs need nothing
# but system DLLs and ours.
# Arguments: -DLIBRARY=... -DDEF=ixor_ipc.def -DTOOL=nm|objdump -DWINDOWS=ON|OFF
#            -DDLLS="a.dll;b.dll"
if(WINDOWS)
  # The rows of the name table: a tab, "[ordinal] name".
  execute_process(COMMAND ${TOOL} -p ${LIBRARY} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  string(REGEX MATCHALL "\t\\[ *[0-9]+\\] [^ \n]+\n" names "${dump}")
  list(TRANSFORM names REPLACE "^\t\\[ *[0-9]+\\] ([^\n]+)\n$" "\\1")
else()
  execute_process(COMMAND ${TOOL} -D --defined-only --format=just-symbols ${LIBRARY}
    OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
  string(REGEX MATCHALL "[^\n]+" names "${dump}")
endif()
list(SORT names)
# The indented lines after EXPORTS.
file(STRINGS ${DEF} expected REGEX "^[ \t]+[A-Za-z_]")
list(TRANSFORM expected STRIP)
list(SORT expected)
if(NOT rc EQUAL 0 OR NOT names STREQUAL expected)
  message(FATAL_ERROR "exports of ${LIBRARY} (${TOOL}: ${rc}):\n  ${names}\nexpected:\n  ${expected}")
endif()

if(WINDOWS)
  set(allowed KERNEL32.dll msvcrt.dll WS2_32.dll USER32.dll ADVAPI32.dll
      libixorbase.dll libixoraux.dll)
  foreach(dll IN LISTS DLLS)
    execute_process(COMMAND ${TOOL} -p ${dll} OUTPUT_VARIABLE dump)
    string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
    list(TRANSFORM imports REPLACE "^DLL Name: " "")
    foreach(name IN LISTS imports)
      if(NOT name IN_LIST allowed)
        message(FATAL_ERROR "${dll} depends on ${name}")
      endif()
    endforeach()
  endforeach()
endif()
