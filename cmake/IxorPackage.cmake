# cpack: what cmake --install puts in place, as a zip per Windows
# architecture (ixor-ipc-VERSION-win64.zip, -win32.zip) holding every
# component, or on Linux one .deb per component, split as Debian splits a
# library: libixor-ipc1 the runtime libraries, libixor-ipc-dev what a project
# builds against, ixor-ipc the programs.
set(CPACK_PACKAGE_NAME ixor-ipc)
set(CPACK_PACKAGE_CONTACT
    "libixor_ipc maintainers <maintainers@users.noreply.c-seed-ea688819.example>")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(ixor_deb_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
# Debug information is not shipped.
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs need our libraries, which the dependency scan finds where
# they were built; each package names libixor-ipc1 itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libixor-ipc1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_DEBIAN_RUNTIME_DESCRIPTION "endpoint selection for the agent's ipc_proxy
libixor_ipc is the library that an endpoint agent's product modules load to
tell the agent's ipc_proxy process through which upstream endpoint to
connect. Products register an address list, a port, a priority and an
optional uid; after every change the library picks the winner, probes its
candidate addresses, writes the proxy configuration and installs, updates or
removes the proxy process.
.
This package holds libixor_ipc and the two platform libraries it needs,
libixorbase and libixoraux.")

set(CPACK_DEBIAN_DEV_PACKAGE_NAME libixor-ipc-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS "libixor-ipc1 (= ${ixor_deb_version})")
set(CPACK_DEBIAN_DEV_DESCRIPTION "endpoint selection for the agent's ipc_proxy - development files
libixor_ipc tells an endpoint agent's ipc_proxy process through which
upstream endpoint to connect.
.
This package holds what a project needs to build against it: the header of
the seven exports and the platform headers, the links to the libraries, a
CMake package (find_package(ixor_ipc)), a pkg-config file (ixor_ipc) and the
documentation.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME ixor-ipc)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libixor-ipc1 (= ${ixor_deb_version})")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION "endpoint selection for the agent's ipc_proxy - programs
libixor_ipc tells an endpoint agent's ipc_proxy process through which
upstream endpoint to connect.
.
This package holds the agent-side programs, among them ixor-ipc: it sets
up an agent root, registers and removes products' endpoints, looks up what
is registered and shows the winner and why, for people and, with --json,
for scripts.")

# Every package carries the copyright file and the Debian changelog, whose
# newest entry must name the version being packaged.
set(ixor_changelog ${PROJECT_SOURCE_DIR}/packaging/changelog)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ixor_changelog})
file(STRINGS ${ixor_changelog} ixor_newest LIMIT_COUNT 1)
if(NOT ixor_newest MATCHES "^ixor-ipc \\(${ixor_deb_version}\\) ")
  message(FATAL_ERROR "packaging/changelog: the newest entry is not ${ixor_deb_version}")
endif()
execute_process(COMMAND gzip -9n INPUT_FILE ${ixor_changelog}
  OUTPUT_FILE ${PROJECT_BINARY_DIR}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
foreach(component IN ITEMS RUNTIME DEV TOOLS)
  string(TOLOWER ${component} name)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright
    ${PROJECT_BINARY_DIR}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${component}_PACKAGE_NAME}
    COMPONENT ${name})
endforeach()
include(CPack)
