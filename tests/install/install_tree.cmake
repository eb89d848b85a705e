# Included by the scripts here: run() ends the script on a failed command
# and leaves its output in last_output; the build goes into a fresh prefix.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

# The build's packages, made by cpack (-DCPACK=) in WORK_DIR/packages.
function(make_packages result)
  run(${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/packages)
  file(GLOB packages ${WORK_DIR}/packages/*.deb ${WORK_DIR}/packages/*.zip)
  set(${result} ${packages} PARENT_SCOPE)
endfunction()

# Unpacks the files of a package into dir, as dpkg -x does: those of a .deb
# are in its data.tar.* (below usr/), a zip's below one folder named after it.
function(unpack package dir)
  if(package MATCHES "\\.deb$")
    get_filename_component(name ${package} NAME)
    file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${WORK_DIR}/deb/${name})
    file(GLOB data ${WORK_DIR}/deb/${name}/data.tar.*)
    file(ARCHIVE_EXTRACT INPUT ${data} DESTINATION ${dir})
  else()
    file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${dir})
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
