# Cross build of the Windows DLLs with Debian's mingw-w64 (posix threads),
# shared by the toolchain files of both architectures: each sets
# CMAKE_SYSTEM_PROCESSOR (x86_64 or i686) and IXOR_WINE_LOADER, the wine
# loader of its architecture, and includes this file.
set(CMAKE_SYSTEM_NAME Windows)
set(IXOR_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER ${IXOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${IXOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${IXOR_MINGW_TRIPLE}-windres)
set(IXOR_OBJDUMP ${IXOR_MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${IXOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests run under wine with a prefix of the build's own; no prompts for the
# .NET and browser add-ons, which console programs never need. WINELOADER
# makes the programs that wine starts itself use the same loader.
set(IXOR_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_COMMAND} -E env WINEPREFIX=${IXOR_WINEPREFIX} WINEDEBUG=-all
    WINEDLLOVERRIDES=mscoree,mshtml=d WINELOADER=${IXOR_WINE_LOADER} ${IXOR_WINE_LOADER})
