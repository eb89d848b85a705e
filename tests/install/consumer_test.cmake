cmake_minimum_required(VERSION 3.20)
# Builds a consumer against the installed tree, once through find_package
# and once through pkg-config; both must run, and so must the installed
# tool. With -DFROM=deb the tree is the build's .deb packages
# unpacked into one root, as dpkg puts them in place.
# Arguments: -DBUILD_DIR= -DSOURCE_DIR= -DWORK_DIR= -DC_COMPILER= -DC_FLAGS=
# (the build's own flags, so a sanitizer build links its runtime alike)
# -DLIBDIR= (the library folder below the prefix) -DFROM=install|deb -DCPACK=
include(${CMAKE_CURRENT_LIST_DIR}/install_tree.cmake)
if(FROM STREQUAL "deb")
  make_packages(packages)
  foreach(package IN LISTS packages)
    unpack(${package} ${WORK_DIR}/system)
  endforeach()
  set(prefix ${WORK_DIR}/system/usr)
endif()
set(ENV{IXOR_ROOT_DIR} ${WORK_DIR}/root)
set(ENV{IXOR_LOG_DIR} ${WORK_DIR}/logs)
file(WRITE ${WORK_DIR}/root/ixor_apphome.ini "[apphome]\npath=.\n")

run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/consumer -B ${WORK_DIR}/cmake -G Ninja
    -DCMAKE_C_COMPILER=${C_COMPILER} "-DCMAKE_C_FLAGS=${C_FLAGS}" -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/cmake)
run(${WORK_DIR}/cmake/consumer)

set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(pkg-config --cflags --libs ixor_ipc)
separate_arguments(flags UNIX_COMMAND "${C_FLAGS} ${last_output}")
run(${C_COMPILER} ${SOURCE_DIR}/consumer/consumer.c ${flags} -Wl,-rpath,${prefix}/${LIBDIR}
    -o ${WORK_DIR}/pkg-consumer)
run(${WORK_DIR}/pkg-consumer)

# The tool finds the libraries beside it by its own run path.
run(${prefix}/bin/ixor-ipc --version)
if(NOT last_output MATCHES "^ixor-ipc [0-9]+\\.[0-9]+\\.[0-9]+\n$")
  message(FATAL_ERROR "ixor-ipc --version printed: ${last_output}")
endif()
