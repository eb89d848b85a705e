cmake_minimum_required(VERSION 3.20)
# Makes the build's packages with cpack and compares the files they hold,
# together, with the files that cmake --install puts in a fresh prefix,
# which must include what a consumer needs. No file is in two packages.
# On Linux the shipped library keeps its soname and needs the platform
# libraries by name, and lintian finds no error in the .deb files.
# Arguments: -DBUILD_DIR= -DWORK_DIR= -DCPACK= -DNEEDED="bin/x;lib/y"
#            Linux: -DLIBRARY=lib/libixor_ipc.so.1 -DLINTIAN= -DREADELF=
include(${CMAKE_CURRENT_LIST_DIR}/install_tree.cmake)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${prefix} ${prefix}/*)
foreach(file IN LISTS NEEDED)
  if(NOT file IN_LIST installed)
    message(FATAL_ERROR "the install step leaves out ${file}")
  endif()
endforeach()

make_packages(packages)
set(entries)
foreach(package IN LISTS packages)
  get_filename_component(name ${package} NAME)
  set(dir ${WORK_DIR}/unpacked/${name})
  unpack(${package} ${dir})
  # usr/ of a .deb, the one folder of a zip.
  file(GLOB top LIST_DIRECTORIES true ${dir}/*)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${top} ${top}/*)
  foreach(file IN LISTS files)
    if(file IN_LIST entries)
      message(FATAL_ERROR "${file} is in more than one package")
    endif()
  endforeach()
  if(LIBRARY IN_LIST files)
    set(library ${top}/${LIBRARY})
  endif()
  list(APPEND entries ${files})
endforeach()
list(SORT entries)
if(NOT entries STREQUAL installed)
  message(FATAL_ERROR "${packages} hold:\n  ${entries}\ninstalled:\n  ${installed}")
endif()
if(NOT LIBRARY)
  return()
endif()

run(${READELF} -d ${library})
string(REGEX MATCHALL "\\((NEEDED|SONAME)\\)[^[]*\\[[^]]+\\]" names "${last_output}")
list(TRANSFORM names REPLACE "^\\(([A-Z]+)\\)[^[]*\\[([^]]+)\\]$" "\\1 \\2")
foreach(name IN ITEMS "SONAME libixor_ipc.so.1" "NEEDED libixorbase.so.1" "NEEDED libixoraux.so.1")
  if(NOT name IN_LIST names)
    message(FATAL_ERROR "${library} lacks ${name}: ${names}")
  endif()
endforeach()

# lintian exits 0 on warnings and 1 on errors; its E: lines say which.
execute_process(COMMAND ${LINTIAN} --tag-display-limit 0 ${packages}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(NOT rc EQUAL 0 OR out MATCHES "(^|\n)E: ")
  message(FATAL_ERROR "lintian (${rc}):\n${out}${err}")
endif()
