# cpack: what cmake --install puts in place, as a zip per Windows
# architecture (ixor-ipc-VERSION-win64.zip, -win32.zip) or a .deb on Linux.
set(CPACK_PACKAGE_NAME ixor-ipc)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Tells the agent's ipc_proxy process which upstream endpoint to use")
set(CPACK_PACKAGE_CONTACT "libixor_ipc developers")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
