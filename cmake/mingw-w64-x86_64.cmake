# 64-bit Windows DLLs. Tests start under the 64-bit wine loader itself:
# Debian's wine command prefers the 32-bit one whenever 32-bit wine is
# installed, and a kernel without 32-bit support cannot start that.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(IXOR_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
