# dravo_add_library(NAME SOURCES... [DEPS ...])
# One static library per folder layer; include paths are the repository root so
# that headers are named by folder ("support/WideString.h").
function(dravo_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/generated)
  target_link_libraries(${name} PUBLIC dravo_options ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS})
endfunction()

# dravo_add_program(NAME SOURCES... DEPS ...)
function(dravo_add_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE dravo_options ${ARG_DEPS})
  install(TARGETS ${name} RUNTIME DESTINATION bin)
endfunction()

# dravo_install_man_page(PAGE)
# Installs docs/man/PAGE in share/man/man<section>, compressed as Debian and
# Red Hat keep manual pages (-n: no name or time in the file, so that two
# builds give the same bytes).
function(dravo_install_man_page page)
  string(REGEX REPLACE ".*\\.([0-9])$" "\\1" section "${page}")
  set(source ${PROJECT_SOURCE_DIR}/docs/man/${page})
  set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${PROJECT_BINARY_DIR}/man/${page}
    COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/man/${page}
    DEPENDS ${source}
    COMMENT "Compressing the manual page ${page}"
    VERBATIM)
  string(REPLACE "." "_" target "man_${page}")
  add_custom_target(${target} ALL DEPENDS ${compressed})
  install(FILES ${compressed} DESTINATION share/man/man${section})
endfunction()

if(NOT WIN32)
  # Where Debian keeps ODBC drivers and their setup libraries, below any
  # prefix: lib/x86_64-linux-gnu/odbc on amd64. The rpm moves the library to
  # where Red Hat's unixODBC keeps them (cmake/DravoPackaging.cmake).
  include(GNUInstallDirs)
  if(CMAKE_LIBRARY_ARCHITECTURE)
    set(odbc_libdir lib/${CMAKE_LIBRARY_ARCHITECTURE}/odbc)
  else()
    set(odbc_libdir ${CMAKE_INSTALL_LIBDIR}/odbc)
  endif()
  set(DRAVO_ODBC_LIBDIR ${odbc_libdir} CACHE STRING "Folder of the setup library, below the install prefix")
  # Red Hat's unixODBC keeps drivers and setup libraries in the system's
  # library folder itself (/usr/lib64/libodbcpsqlS.so beside psqlodbcw.so).
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(DRAVO_RPM_ODBC_LIBDIR lib64)
  else()
    set(DRAVO_RPM_ODBC_LIBDIR lib)
  endif()
endif()
