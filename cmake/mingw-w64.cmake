# Cross build of the Windows programs with MinGW-w64 (x86-64).
#
# The programs are linked statically (-static): the four .exe files run on
# a bare Windows system with nothing beside them, importing system DLLs only.
# Test programs built here run under Wine (see CMAKE_CROSSCOMPILING_EMULATOR).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The "posix" thread model of the compilers: the "win32" one of GCC 12 has
# no std::mutex, which GoogleTest needs. Its winpthread library is linked
# in statically like the rest.
set(DROVENNA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${DROVENNA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DROVENNA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${DROVENNA_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW-w64 tree only; programs that run
# during the build (and Wine) come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${DROVENNA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread go into each program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test programs run under Wine, quietly, in a prefix of this build tree so
# that runs do not depend on (or disturb) the user's own ~/.wine. The .NET and
# HTML engines are disabled so that creating the prefix never asks to
# download them.
find_program(DROVENNA_WINE NAMES wine wine64 NO_CMAKE_FIND_ROOT_PATH)
if(DROVENNA_WINE)
  set(DROVENNA_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine-prefix")
  set(DROVENNA_WINE_ENVIRONMENT
    "WINEDEBUG=-all"
    "WINEPREFIX=${DROVENNA_WINE_PREFIX}"
    "WINEDLLOVERRIDES=mscoree,mshtml=")
  set(CMAKE_CROSSCOMPILING_EMULATOR
    "${CMAKE_COMMAND};-E;env;${DROVENNA_WINE_ENVIRONMENT};${DROVENNA_WINE}")
endif()
