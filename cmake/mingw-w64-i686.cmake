# 32-bit Windows DLLs, for product modules that run as 32-bit processes.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
