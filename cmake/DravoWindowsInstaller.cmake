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

# The names every binary's version information and the package share.
set(DRAVO_PRODUCT_NAME "Dravo Spark ODBC Driver Configuration")
set(DRAVO_MANUFACTURER "Dravo")
set(DRAVO_COPYRIGHT "Copyright 2026 Dravo. All rights reserved.")

# dravo_add_windows_resources(TARGET DESCRIPTION TEXT [MANIFEST FILE] [ICON])
# Gives the program or DLL of TARGET its version information (the product's
# name, version and copyright), the manifest FILE (configured with
# @DRAVO_VERSION@) and the product's icon as IDI_PRODUCT where asked, and
# signs it when signing is set up. A DLL's manifest is the one Windows
# activates for its own windows (ISOLATIONAWARE_MANIFEST_RESOURCE_ID).
function(dravo_add_windows_resources target)
  cmake_parse_arguments(ARG "ICON" "DESCRIPTION;MANIFEST" "" ${ARGN})
  get_target_property(type ${target} TYPE)
  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  set(DRAVO_VERSION "${PROJECT_VERSION}")
  set(DRAVO_RC_NAME ${output_name})
  set(DRAVO_RC_DESCRIPTION "${ARG_DESCRIPTION}")
  set(DRAVO_RC_TWEAK 0)
  if(PROJECT_VERSION_TWEAK)
    set(DRAVO_RC_TWEAK ${PROJECT_VERSION_TWEAK})
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    set(DRAVO_RC_FILE_TYPE VFT_DLL)
    set(DRAVO_RC_FILE_NAME ${output_name}.dll)
    set(manifest_id ISOLATIONAWARE_MANIFEST_RESOURCE_ID)
  else()
    set(DRAVO_RC_FILE_TYPE VFT_APP)
    set(DRAVO_RC_FILE_NAME ${output_name}.exe)
    set(manifest_id CREATEPROCESS_MANIFEST_RESOURCE_ID)
  endif()
  set(folder ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(depends)
  set(DRAVO_RC_MANIFEST "")
  if(ARG_MANIFEST)
    configure_file(${ARG_MANIFEST} ${folder}/${target}.manifest @ONLY)
    set(DRAVO_RC_MANIFEST "${manifest_id} RT_MANIFEST \"${folder}/${target}.manifest\"")
    list(APPEND depends ${folder}/${target}.manifest)
  endif()
  set(DRAVO_RC_ICON "")
  if(ARG_ICON)
    set(icon ${PROJECT_SOURCE_DIR}/resources/dravo-spark-config.ico)
    # IDI_PRODUCT (resources/ControlIds.h): the dialogs' icon, and as the
    # only icon the one Windows shows for the file.
    set(DRAVO_RC_ICON "9129 ICON \"${icon}\"")
    list(APPEND depends ${icon})
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/WindowsResources.rc.in ${folder}/${target}.rc @ONLY)
  set_property(SOURCE ${folder}/${target}.rc APPEND PROPERTY OBJECT_DEPENDS ${depends})
  target_sources(${target} PRIVATE ${folder}/${target}.rc)
  dravo_sign_windows_binary(${target} "${ARG_DESCRIPTION}")
endfunction()

# The installed-programs entry's support links.
set(DRAVO_HELP_LINK "https://www.dravo.com/support" CACHE STRING "The package's support link (ARPHELPLINK)")
set(DRAVO_ABOUT_LINK "https://www.dravo.com/" CACHE STRING "The package's publisher link (ARPURLINFOABOUT)")
set(DRAVO_CONTACT "Dravo support" CACHE STRING "The package's contact (ARPCONTACT)")

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
      -DPROGRAM=$<TARGET_FILE:dravo-spark-config> -DCONSOLE_PROGRAM=$<TARGET_FILE:dravo-spark-config-cli>
      -DICON=${icon} -DREADME=${ARG_README}
      -DHELP_LINK=${DRAVO_HELP_LINK} -DABOUT_LINK=${DRAVO_ABOUT_LINK} -DCONTACT=${DRAVO_CONTACT}
      -DSETUP_LIBRARY=${setup_library} ${sign}
      -P ${script}
    DEPENDS ${source} ${script} ${PROJECT_SOURCE_DIR}/packaging/windows/VersionResource.cmake ${PROJECT_SOURCE_DIR}/packaging/windows/Validation.idt ${icon} ${ARG_README} dravo-spark-config $<TARGET_FILE:dravo-spark-config>
      dravo-spark-config-cli $<TARGET_FILE:dravo-spark-config-cli>
      ${setup_library} ${DRAVO_SIGNING_INPUTS} ${DRAVO_SIGN_SCRIPT}
    COMMENT "Building the Windows installer package ${ARG_OUTPUT}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${ARG_OUTPUT})
endfunction()
