# cmake --install: the header of the seven exports and the platform headers,
# the three libraries, a CMake package (find_package(ixor_ipc) gives the
# imported target ixor_ipc::ixor_ipc), a pkg-config file and the docs; on
# Windows also the .def and the import library for Microsoft's linker.
# Components, one Debian package each: "runtime" the libraries, "dev" what
# a project builds against, "tools" the programs (ixor_install_program).
include(CMakePackageConfigHelpers)

set(IXOR_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ixor_ipc)
if(NOT WIN32)
  # libixor_ipc.so.1 needs libixorbase.so.1 and libixoraux.so.1 by name; the
  # unversioned names are links for the linker only. Installed libraries
  # find each other, and the tool finds them, by location.
  set_target_properties(ixor_ipc ixoraux ixorbase PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} INSTALL_RPATH "$ORIGIN")
endif()

install(TARGETS ixorbase ixoraux ixor_ipc EXPORT ixor_ipcTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT dev
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
install(FILES
  ${PROJECT_SOURCE_DIR}/ixor_ipcproxy/bin/libixor_ipc/ixor_ipc.h
  ${PROJECT_SOURCE_DIR}/platform/ixorbase.h
  ${PROJECT_SOURCE_DIR}/platform/ixoraux.h
  ${PROJECT_SOURCE_DIR}/platform/ixorbase_handles.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/ixor_ipc COMPONENT dev)
if(WIN32)
  install(FILES ${IXOR_IPC_DEF} ${IXOR_IPC_MSVC_LIB} DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT dev)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT dev)
install(EXPORT ixor_ipcTargets NAMESPACE ixor_ipc:: DESTINATION ${IXOR_CMAKE_DIR} COMPONENT dev)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/ixor_ipcConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ixor_ipcConfig.cmake INSTALL_DESTINATION ${IXOR_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ixor_ipcConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ixor_ipcConfig.cmake
  ${PROJECT_BINARY_DIR}/ixor_ipcConfigVersion.cmake DESTINATION ${IXOR_CMAKE_DIR} COMPONENT dev)

# The pkg-config file finds its prefix from its own place, so the installed
# tree can be moved.
file(RELATIVE_PATH IXOR_PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(${PROJECT_SOURCE_DIR}/cmake/ixor_ipc.pc.in ${PROJECT_BINARY_DIR}/ixor_ipc.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ixor_ipc.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)
