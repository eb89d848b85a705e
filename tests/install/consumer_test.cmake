cmake_minimum_required(VERSION 3.20)
# Installs the build into a fresh prefix and builds a consumer against it,
# once through find_package and once through pkg-config; both must run.
# Arguments: -DBUILD_DIR= -DSOURCE_DIR= -DWORK_DIR= -DC_COMPILER= -DC_FLAGS=
# (the build's own flags, so a sanitizer build links its runtime alike)
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
set(ENV{IXOR_ROOT_DIR} ${WORK_DIR}/root)
set(ENV{IXOR_LOG_DIR} ${WORK_DIR}/logs)
file(MAKE_DIRECTORY ${WORK_DIR}/root)
file(WRITE ${WORK_DIR}/root/ixor_apphome.ini "[apphome]\npath=.\n")

run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/cmake -G Ninja
    -DCMAKE_C_COMPILER=${C_COMPILER} "-DCMAKE_C_FLAGS=${C_FLAGS}" -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake)
run(${WORK_DIR}/cmake/consumer)
message(STATUS "find_package consumer: ${last_output}")

set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs ixor_ipc)
string(STRIP "${last_output}" flags)
separate_arguments(flags UNIX_COMMAND "${C_FLAGS} ${flags}")
run(${C_COMPILER} ${SOURCE_DIR}/consumer/consumer.c ${flags} -Wl,-rpath,${prefix}/lib
    -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer)
message(STATUS "pkg-config consumer: ${last_output}")
