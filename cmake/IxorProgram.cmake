# ixor_install_program(<target> <summary>) ships the program <target> in
# the "tools" package (bin/, and on Windows the zip). On Linux it also ships
# the program's manual page, made by help2man from what the built program
# prints for --help and --version, so the page never drifts from the program;
# <summary> is the page's one-line NAME entry. The program must answer both
# options with exit status 0, on any machine, without root.
#   ixor_install_program(ixor-agent "run and supervise the agent's processes")
if(NOT WIN32)
  find_program(IXOR_HELP2MAN help2man REQUIRED)
  find_program(IXOR_GZIP gzip REQUIRED)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man)
endif()

function(ixor_install_program target summary)
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  if(WIN32)
    return()
  endif()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${name}.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${IXOR_HELP2MAN} --no-info --name=${summary} --output=${page}
      $<TARGET_FILE:${target}>
    COMMAND ${IXOR_GZIP} -9nf ${page}
    DEPENDS ${target} VERBATIM)
  add_custom_target(${target}_manpage ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tools)
endfunction()
