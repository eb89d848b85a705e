# Warnings as errors for our own targets; on Windows every binary carries
# its own copy of the GCC runtime so it needs nothing but system DLLs.
function(ixor_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # The log line names the source file alone, whatever folder it was built from.
  target_compile_options(${target} PRIVATE
    "-fmacro-prefix-map=${CMAKE_CURRENT_SOURCE_DIR}/=")
  if(WIN32)
    target_compile_definitions(${target} PRIVATE __USE_MINGW_ANSI_STDIO=1
      WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 UNICODE _UNICODE)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()
