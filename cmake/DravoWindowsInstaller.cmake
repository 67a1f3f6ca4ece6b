# The Windows Installer package (MSI) of the cross build, made with wixl and
# msibuild from msitools (scripts/install-deps.sh --windows installs them).
if(NOT WIN32)
  return()
endif()

find_program(DRAVO_WIXL wixl)
find_program(DRAVO_MSIBUILD msibuild)
if(NOT DRAVO_WIXL OR NOT DRAVO_MSIBUILD)
  message(FATAL_ERROR "The Windows installer package needs wixl and msibuild: run scripts/install-deps.sh --windows")
endif()

# The product's package; the tests name it before its target exists.
set(DRAVO_WINDOWS_INSTALLER ${PROJECT_BINARY_DIR}/dravo-spark-config-${PROJECT_VERSION}-x64.msi)

# dravo_add_windows_installer(TARGET OUTPUT FILE VERSION A.B.C[.D] README FILE)
# Builds the package FILE with the program, the setup library when the build
# has one, and README, as part of the default build.
function(dravo_add_windows_installer target)
  cmake_parse_arguments(ARG "" "OUTPUT;VERSION;README" "" ${ARGN})
  # The versions Windows Installer keeps: a and b up to 255, c up to 65535;
  # it compares only a.b.c.
  if(NOT ARG_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)(\\.[0-9]+)?$"
      OR CMAKE_MATCH_1 GREATER 255 OR CMAKE_MATCH_2 GREATER 255 OR CMAKE_MATCH_3 GREATER 65534)
    message(FATAL_ERROR "${ARG_VERSION} is not a version Windows Installer can compare: a.b.c or a.b.c.d, "
      "with a and b at most 255 and c below 65535")
  endif()
  math(EXPR next_build "${CMAKE_MATCH_3} + 1")

  set(source ${PROJECT_SOURCE_DIR}/packaging/windows/dravo-spark-config.wxs)
  set(script ${PROJECT_SOURCE_DIR}/packaging/windows/BuildInstaller.cmake)
  # Resolved when the build is generated, so that the setup library may be
  # defined anywhere in the project.
  set(setup_library $<$<TARGET_EXISTS:dravosparksetup>:$<TARGET_FILE:dravosparksetup>>)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${DRAVO_WIXL} -DMSIBUILD=${DRAVO_MSIBUILD} -DSOURCE=${source}
      -DOUTPUT=${ARG_OUTPUT} -DVERSION=${ARG_VERSION}
      -DNEXT_VERSION=${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${next_build}
      -DPROGRAM=$<TARGET_FILE:dravo-spark-config> -DREADME=${ARG_README} -DSETUP_LIBRARY=${setup_library}
      -P ${script}
    DEPENDS ${source} ${script} ${ARG_README} dravo-spark-config $<TARGET_FILE:dravo-spark-config> ${setup_library}
    COMMENT "Building the Windows installer package ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
