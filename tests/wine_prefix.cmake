cmake_minimum_required(VERSION 3.20)
# Builds the build's wine prefix and starts a program of the build's
# architecture in it. A prefix made before 32-bit wine was installed cannot
# start 32-bit programs ("could not load kernel32.dll"): it is made afresh.
# Arguments: -DPREFIX=dir -DEMULATOR="env;...;<wine loader>" -DPROGRAM=some.exe
function(start_program result)
  execute_process(COMMAND ${EMULATOR} wineboot --init OUTPUT_QUIET ERROR_QUIET)
  execute_process(COMMAND ${EMULATOR} ${PROGRAM} --gtest_list_tests
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  set(${result} "${rc}: ${out}${err}" PARENT_SCOPE)
endfunction()

start_program(result)
if(NOT result MATCHES "^0:")
  message(STATUS "the prefix cannot start ${PROGRAM} (${result}); making it afresh")
  file(REMOVE_RECURSE ${PREFIX})
  start_program(result)
endif()
if(NOT result MATCHES "^0:")
  message(FATAL_ERROR "wine cannot start ${PROGRAM} in a new prefix: ${result}")
endif()
