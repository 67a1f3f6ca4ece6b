# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads).
# The static third-party libraries come from scripts/build-windows-deps.sh; set
# DRAVO_WINDOWS_DEPS_DIR (cache or environment) to its prefix, or leave the
# default link that the script keeps up to date.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(DRAVO_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${DRAVO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DRAVO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DRAVO_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${DRAVO_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${DRAVO_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

if(NOT DRAVO_WINDOWS_DEPS_DIR)
  if(DEFINED ENV{DRAVO_WINDOWS_DEPS_DIR})
    set(DRAVO_WINDOWS_DEPS_DIR "$ENV{DRAVO_WINDOWS_DEPS_DIR}")
  elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(DRAVO_WINDOWS_DEPS_DIR "$ENV{XDG_CACHE_HOME}/dravo-windows-deps/current/prefix")
  else()
    set(DRAVO_WINDOWS_DEPS_DIR "$ENV{HOME}/.cache/dravo-windows-deps/current/prefix")
  endif()
endif()
set(DRAVO_WINDOWS_DEPS_DIR "${DRAVO_WINDOWS_DEPS_DIR}" CACHE PATH "Prefix of the static Windows dependencies")
# Try-compile projects see the same toolchain and prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DRAVO_WINDOWS_DEPS_DIR)

set(CMAKE_FIND_ROOT_PATH /usr/${DRAVO_MINGW_TRIPLE} ${DRAVO_WINDOWS_DEPS_DIR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained executable: no libstdc++, libgcc or winpthread DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and tools run under Wine.
find_program(DRAVO_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(DRAVO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${DRAVO_WINE})
endif()
