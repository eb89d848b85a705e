# 32-bit Windows DLLs, for product modules that run as 32-bit processes.
# Tests start under the 32-bit wine loader (Debian's wine32 package).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(IXOR_WINE_LOADER /usr/lib/wine/wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
