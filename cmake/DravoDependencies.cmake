# Every dependency comes from Debian's packages (scripts/install-deps.sh).
if(WIN32)
  # The cross build: static libraries from scripts/build-windows-deps.sh.
  include(${CMAKE_CURRENT_LIST_DIR}/DravoWindowsDependencies.cmake)
  set(DRAVO_ICU_LIBRARIES ICU::uc ICU::i18n)
  return()
endif()
find_package(ICU 60 REQUIRED COMPONENTS uc i18n)
find_package(OpenSSL 3 REQUIRED COMPONENTS Crypto SSL)
find_package(EXPAT REQUIRED)
find_package(Threads REQUIRED)
include(${CMAKE_CURRENT_LIST_DIR}/DravoPortableIcu.cmake)

set(CURSES_NEED_WIDE TRUE)
set(CURSES_NEED_NCURSES TRUE)
find_package(Curses REQUIRED)
find_library(DRAVO_PANELW_LIBRARY NAMES panelw REQUIRED)

# unixODBC: only its headers at build time; the installer and driver manager
# libraries are loaded with dlopen when first needed, as on Windows.
find_path(DRAVO_ODBC_INCLUDE_DIR NAMES sql.h odbcinst.h PATH_SUFFIXES odbc REQUIRED)

if(DRAVO_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(DRAVO_BUILD_BENCH)
  find_package(benchmark QUIET)
endif()
