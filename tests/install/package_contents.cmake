cmake_minimum_required(VERSION 3.20)
# Makes the build's package with cpack and compares the files it holds with
# the files that cmake --install puts in a fresh prefix, which must include
# what a consumer needs.
# Arguments: -DBUILD_DIR= -DWORK_DIR= -DCPACK= -DNEEDED="bin/x;lib/y"
include(${CMAKE_CURRENT_LIST_DIR}/install_tree.cmake)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
foreach(file IN LISTS NEEDED)
  if(NOT file IN_LIST installed)
    message(FATAL_ERROR "the install step leaves out ${file}")
  endif()
endforeach()

run(${CPACK} --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/out)
file(GLOB package ${WORK_DIR}/out/*.deb ${WORK_DIR}/out/*.zip)
# Unpacked, a .deb holds its files in data.tar.* below usr/, a zip below
# one top-level folder named after the package.
set(unpacked ${WORK_DIR}/unpacked)
file(ARCHIVE_EXTRACT INPUT ${package} DESTINATION ${unpacked})
file(GLOB data ${unpacked}/data.tar.*)
if(data)
  file(ARCHIVE_EXTRACT INPUT ${data} DESTINATION ${unpacked}/data)
  set(top ${unpacked}/data/usr)
else()
  file(GLOB top LIST_DIRECTORIES true ${unpacked}/*)
endif()
file(GLOB_RECURSE entries LIST_DIRECTORIES false RELATIVE ${top} ${top}/*)
if(NOT entries STREQUAL installed)
  message(FATAL_ERROR "${package} holds:\n  ${entries}\ninstalled:\n  ${installed}")
endif()
