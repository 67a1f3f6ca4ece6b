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

# Authenticode signatures on the program, the setup library and the package,
# made by osslsigncode when a certificate and its key are given
# (docs/windows-installer.md says how a release is signed).
set(DRAVO_SIGNING_CERTIFICATE "" CACHE FILEPATH
  "Authenticode signing certificate with its chain (PEM or DER); empty: nothing is signed")
set(DRAVO_SIGNING_KEY "" CACHE STRING "Its private key: a file, or a pkcs11: URI with DRAVO_SIGNING_PKCS11_MODULE")
set(DRAVO_SIGNING_KEY_PASSWORD_FILE "" CACHE FILEPATH "A file holding the key's password, if it has one")
set(DRAVO_SIGNING_PKCS11_MODULE "" CACHE FILEPATH "The PKCS#11 module of the token that holds the key")
set(DRAVO_SIGNING_TIMESTAMP_URL "" CACHE STRING "An RFC 3161 time-stamp server, for releases")
set(DRAVO_SIGNING_OPTIONS)
if(DRAVO_SIGNING_CERTIFICATE OR DRAVO_SIGNING_KEY)
  if(NOT DRAVO_SIGNING_CERTIFICATE OR NOT DRAVO_SIGNING_KEY)
    message(FATAL_ERROR "Signing needs both DRAVO_SIGNING_CERTIFICATE and DRAVO_SIGNING_KEY")
  endif()
  find_program(DRAVO_OSSLSIGNCODE osslsigncode)
  if(NOT DRAVO_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode: run scripts/install-deps.sh --windows")
  endif()
  set(DRAVO_SIGNING_OPTIONS -DOSSLSIGNCODE=${DRAVO_OSSLSIGNCODE} -DCERTIFICATE=${DRAVO_SIGNING_CERTIFICATE}
    -DKEY=${DRAVO_SIGNING_KEY} -DKEY_PASSWORD_FILE=${DRAVO_SIGNING_KEY_PASSWORD_FILE}
    -DPKCS11_MODULE=${DRAVO_SIGNING_PKCS11_MODULE} -DTIMESTAMP_URL=${DRAVO_SIGNING_TIMESTAMP_URL})
  # What a changed certificate or key makes the build sign again.
  set(DRAVO_SIGNING_INPUTS ${DRAVO_SIGNING_CERTIFICATE})
  if(EXISTS "${DRAVO_SIGNING_KEY}")
    list(APPEND DRAVO_SIGNING_INPUTS ${DRAVO_SIGNING_KEY})
  endif()
endif()
set(DRAVO_SIGN_SCRIPT ${PROJECT_SOURCE_DIR}/packaging/windows/SignFile.cmake)

# dravo_sign_windows_binary(TARGET DESCRIPTION): signs the program or DLL
# that TARGET links, as the last step of linking it, when signing is set up.
# DESCRIPTION is the name Windows shows when it asks about running it.
function(dravo_sign_windows_binary target description)
  if(NOT DRAVO_SIGNING_OPTIONS)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} ${DRAVO_SIGNING_OPTIONS} -DDESCRIPTION=${description} -DFILE=$<TARGET_FILE:${target}>
      -P ${DRAVO_SIGN_SCRIPT}
    COMMENT "Signing $<TARGET_FILE_NAME:${target}>"
    VERBATIM)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${DRAVO_SIGNING_INPUTS} ${DRAVO_SIGN_SCRIPT})
endfunction()

# The product's package; the tests name it before its target exists.
set(DRAVO_WINDOWS_INSTALLER ${PROJECT_BINARY_DIR}/dravo-spark-config-${PROJECT_VERSION}-x64.msi)

# dravo_add_windows_installer(TARGET OUTPUT FILE VERSION A.B.C[.D] README FILE)
# Builds the package FILE with the program, the setup library when the build
# has one, and README, as part of the default build; signed when the program is.
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
  set(icon ${PROJECT_SOURCE_DIR}/resources/dravo-spark-config.ico)
  set(sign)
  if(DRAVO_SIGNING_OPTIONS)
    set(sign ${DRAVO_SIGNING_OPTIONS} -DSIGN_SCRIPT=${DRAVO_SIGN_SCRIPT})
  endif()
  # Resolved when the build is generated, so that the setup library may be
  # defined anywhere in the project.
  set(setup_library $<$<TARGET_EXISTS:dravosparksetup>:$<TARGET_FILE:dravosparksetup>>)
  add_custom_command(OUTPUT ${ARG_OUTPUT}
    COMMAND ${CMAKE_COMMAND} -DWIXL=${DRAVO_WIXL} -DMSIBUILD=${DRAVO_MSIBUILD} -DOBJCOPY=${CMAKE_OBJCOPY}
      -DSOURCE=${source} -DOUTPUT=${ARG_OUTPUT} -DVERSION=${ARG_VERSION}
      -DNEXT_VERSION=${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${next_build}
      -DPROGRAM=$<TARGET_FILE:dravo-spark-config> -DICON=${icon} -DREADME=${ARG_README}
      -DSETUP_LIBRARY=${setup_library} ${sign}
      -P ${script}
    DEPENDS ${source} ${script} ${PROJECT_SOURCE_DIR}/packaging/windows/VersionResource.cmake ${icon} ${ARG_README} dravo-spark-config $<TARGET_FILE:dravo-spark-config>
      ${setup_library} ${DRAVO_SIGNING_INPUTS} ${DRAVO_SIGN_SCRIPT}
    COMMENT "Building the Windows installer package ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
