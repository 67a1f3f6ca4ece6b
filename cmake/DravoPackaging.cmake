# The Linux packages, both from one build: (cd build && cpack -G DEB) and
# cpack -G RPM. The deb keeps the files where cmake --install puts them; the
# rpm moves the setup library to where Red Hat's unixODBC keeps drivers.
# Both are reproducible: no build time, host or folder reaches them.
set(CPACK_PACKAGE_NAME "dravo-spark-config")
set(CPACK_PACKAGE_VENDOR "Dravo")
set(CPACK_PACKAGE_CONTACT "Dravo <support@dravo.invalid>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration tool of the Dravo Spark ODBC Driver")
set(CPACK_PACKAGE_DESCRIPTION_FILE "${PROJECT_SOURCE_DIR}/packaging/linux/description.txt")
set(CPACK_GENERATOR "DEB")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  include(CPack)
  return()
endif()

# The time of the last commit stands for the build's time, unless the
# builder gives one.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(DRAVO_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  execute_process(COMMAND git -C "${PROJECT_SOURCE_DIR}" log -1 --format=%ct
    OUTPUT_VARIABLE DRAVO_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE git_result ERROR_QUIET)
  if(NOT git_result EQUAL 0 OR NOT DRAVO_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    # A source tree without its history: the time of its top CMakeLists.txt,
    # which an unpacked archive keeps.
    file(TIMESTAMP "${PROJECT_SOURCE_DIR}/CMakeLists.txt" DRAVO_SOURCE_DATE_EPOCH "%s" UTC)
  endif()
endif()

# The changelogs are made from the version and that time.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(builder_epoch "$ENV{SOURCE_DATE_EPOCH}")
endif()
set(ENV{SOURCE_DATE_EPOCH} "${DRAVO_SOURCE_DATE_EPOCH}")
string(TIMESTAMP debian_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
string(TIMESTAMP rpm_date "%a %b %d %Y" UTC)
if(DEFINED builder_epoch)
  set(ENV{SOURCE_DATE_EPOCH} "${builder_epoch}")
else()
  unset(ENV{SOURCE_DATE_EPOCH})
endif()
set(package_docs ${PROJECT_BINARY_DIR}/packaging)
file(WRITE ${package_docs}/changelog.new
  "${CPACK_PACKAGE_NAME} (${PROJECT_VERSION}) stable; urgency=medium\n\n"
  "  * Release ${PROJECT_VERSION}.\n\n"
  " -- ${CPACK_PACKAGE_CONTACT}  ${debian_date}\n")
file(WRITE ${package_docs}/rpm-changelog.new
  "* ${rpm_date} ${CPACK_PACKAGE_CONTACT} - ${PROJECT_VERSION}-1\n"
  "- Release ${PROJECT_VERSION}.\n")
foreach(name changelog rpm-changelog)
  configure_file(${package_docs}/${name}.new ${package_docs}/${name} COPYONLY)
endforeach()
# Compressed only when it changed, so that an unchanged one keeps its time.
if(NOT EXISTS ${package_docs}/changelog.gz OR ${package_docs}/changelog IS_NEWER_THAN ${package_docs}/changelog.gz)
  execute_process(COMMAND gzip -9nkf ${package_docs}/changelog COMMAND_ERROR_IS_FATAL ANY)
endif()

# Debian's places for a native package's documents; Red Hat's tools read
# the same names.
set(DRAVO_DOC_DIR share/doc/${CPACK_PACKAGE_NAME})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/copyright ${package_docs}/changelog.gz
  DESTINATION ${DRAVO_DOC_DIR})
# The guides, where the manual points an administrator who installed the
# package rather than the source.
install(FILES
  ${PROJECT_SOURCE_DIR}/docs/quick-start.md
  ${PROJECT_SOURCE_DIR}/docs/troubleshooting.md
  ${PROJECT_SOURCE_DIR}/docs/fleet.md
  ${PROJECT_SOURCE_DIR}/docs/settings.md
  ${PROJECT_SOURCE_DIR}/docs/setup-library.md
  ${PROJECT_SOURCE_DIR}/docs/configuration-file.md
  DESTINATION ${DRAVO_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/contrib/ansible/ansible_collections/dravo/spark_odbc/README.md
  DESTINATION ${DRAVO_DOC_DIR} RENAME ansible-collection.md)
# Lintian takes the pieces of strings the compiler leaves in the code for
# misspelt words; the file says which are known to be such pieces.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/lintian-overrides
  DESTINATION share/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})

# Bash completion, where bash-completion looks on Debian and Red Hat alike.
# Its setting names and values come from this build's own settings table.
set(completion ${PROJECT_BINARY_DIR}/completion/dravo-spark-config)
set(completion_source ${PROJECT_SOURCE_DIR}/packaging/linux/completion)
add_custom_command(OUTPUT ${completion}
  COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:dravo-spark-config>
    -DTEMPLATE=${completion_source}/dravo-spark-config.bash.in -DOUTPUT=${completion}
    -DWORK=${PROJECT_BINARY_DIR}/completion/empty-root -P ${completion_source}/MakeCompletion.cmake
  DEPENDS dravo-spark-config ${completion_source}/dravo-spark-config.bash.in ${completion_source}/MakeCompletion.cmake
  COMMENT "Writing the bash completion from the settings table"
  VERBATIM)
add_custom_target(bash_completion ALL DEPENDS ${completion})
install(FILES ${completion} DESTINATION share/bash-completion/completions)

# The deb: a native package (the changelog is its own); dependencies from
# the binaries, and unixODBC's libraries, which are loaded by name.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "admin")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libodbcinst2, libodbc2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_SOURCE_DIR}/packaging/linux/prerm"
  "${PROJECT_SOURCE_DIR}/packaging/linux/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The rpm.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_RELEASE 1)
set(CPACK_RPM_PACKAGE_LICENSE "Proprietary")
set(CPACK_RPM_PACKAGE_GROUP "Applications/System")
set(CPACK_RPM_PACKAGE_REQUIRES "unixODBC")
set(CPACK_RPM_CHANGELOG_FILE ${package_docs}/rpm-changelog)
set(CPACK_RPM_PRE_UNINSTALL_SCRIPT_FILE "${PROJECT_SOURCE_DIR}/packaging/linux/preun")
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION /usr/share/man /usr/share/man/man1
  /usr/share/bash-completion /usr/share/bash-completion/completions)
# rpmbuild takes its times from SOURCE_DATE_EPOCH, and names no build host.
set(CPACK_RPM_SPEC_MORE_DEFINE
  "%define use_source_date_epoch_as_buildtime 1
%define clamp_mtime_to_source_date_epoch 1
%define _buildhost reproducible
%define packager ${CPACK_PACKAGE_CONTACT}
%define _build_id_links none")

# The rpm's and the tarball's binaries: the same code, linked with the
# static ICU (cmake/DravoPortableIcu.cmake), in portable/bin and
# portable/lib; StagePackage.cmake puts them in place of the deb's.
set(DRAVO_PORTABLE_DIR ${PROJECT_BINARY_DIR}/portable)
function(dravo_add_portable_twin target)
  get_target_property(type ${target} TYPE)
  get_target_property(source_dir ${target} SOURCE_DIR)
  get_target_property(sources ${target} SOURCES)
  set(absolute "")
  foreach(source IN LISTS sources)
    if(NOT IS_ABSOLUTE "${source}")
      set(source "${source_dir}/${source}")
    endif()
    list(APPEND absolute "${source}")
  endforeach()
  set(twin ${target}_portable)
  if(type STREQUAL "EXECUTABLE")
    add_executable(${twin} ${absolute})
  else()
    add_library(${twin} SHARED ${absolute})
  endif()
  foreach(property IN ITEMS LINK_LIBRARIES LINK_OPTIONS LINK_DEPENDS COMPILE_DEFINITIONS COMPILE_OPTIONS
      INCLUDE_DIRECTORIES NO_SONAME)
    get_target_property(value ${target} ${property})
    if(value)
      set_property(TARGET ${twin} PROPERTY ${property} "${value}")
    endif()
  endforeach()
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  set_target_properties(${twin} PROPERTIES OUTPUT_NAME ${name} DRAVO_PORTABLE_ICU ON
    RUNTIME_OUTPUT_DIRECTORY ${DRAVO_PORTABLE_DIR}/bin LIBRARY_OUTPUT_DIRECTORY ${DRAVO_PORTABLE_DIR}/lib)
endfunction()
if(DRAVO_PORTABLE_ICU_AVAILABLE AND NOT DRAVO_SANITIZE)
  foreach(target IN ITEMS dravo-spark-config dravo-reg dravo-did dravosparksetup)
    dravo_add_portable_twin(${target})
    target_sources(${target}_portable PRIVATE ${PROJECT_SOURCE_DIR}/packaging/linux/PortableLibstdcxx.cpp)
  endforeach()
  target_sources(dravosparksetup_portable PRIVATE ${PROJECT_SOURCE_DIR}/packaging/linux/PortableIcuTimezone.cpp)
endif()

# Per generator, at packaging time (packaging/linux/CPackProject.cmake.in),
# and on the staged files before either package is made.
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/CPackProject.cmake.in
  ${PROJECT_BINARY_DIR}/CPackProject.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProject.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/linux/StagePackage.cmake)
include(CPack)
