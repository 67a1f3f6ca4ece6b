# Run by cpack on the staged files, before it makes a package of them.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${root}")
  message(FATAL_ERROR "The staged files are not in ${root}")
endif()

# The rpm and the tarball go to systems without Debian's ICU: their
# binaries carry ICU in themselves (cmake/DravoPortableIcu.cmake). cp keeps
# the staged file's mode.
if(CPACK_GENERATOR MATCHES "^(RPM|TGZ)$")
  if(NOT IS_DIRECTORY "${DRAVO_PORTABLE_DIR}")
    message(FATAL_ERROR "The binaries with a static ICU are not built (${DRAVO_PORTABLE_DIR})")
  endif()
  foreach(file IN ITEMS bin/dravo-spark-config bin/dravo-reg bin/dravo-did
      "${DRAVO_ODBC_LIBDIR}/libdravosparksetup.so")
    get_filename_component(name "${file}" NAME)
    if(file MATCHES "^bin/")
      set(portable "${DRAVO_PORTABLE_DIR}/bin/${name}")
    else()
      set(portable "${DRAVO_PORTABLE_DIR}/lib/${name}")
    endif()
    if(NOT EXISTS "${root}/${file}" OR NOT EXISTS "${portable}")
      message(FATAL_ERROR "No ${root}/${file} or no ${portable} to put in its place")
    endif()
    execute_process(COMMAND cp "${portable}" "${root}/${file}" COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND "${DRAVO_STRIP}" "${root}/${file}" COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()

# Red Hat's unixODBC keeps setup libraries in the library folder itself.
if(CPACK_GENERATOR STREQUAL "RPM")
  file(GLOB libraries "${root}/${DRAVO_ODBC_LIBDIR}/*")
  file(MAKE_DIRECTORY "${root}/${DRAVO_RPM_ODBC_LIBDIR}")
  # Executable there, as rpmbuild and rpmlint expect of shared libraries.
  foreach(library IN LISTS libraries)
    get_filename_component(name "${library}" NAME)
    file(RENAME "${library}" "${root}/${DRAVO_RPM_ODBC_LIBDIR}/${name}")
    file(CHMOD "${root}/${DRAVO_RPM_ODBC_LIBDIR}/${name}" FILE_PERMISSIONS
      OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  endforeach()
  # The folders that held it, up to the first that holds something else.
  set(folder "${root}/${DRAVO_ODBC_LIBDIR}")
  while(NOT folder STREQUAL root)
    file(GLOB left "${folder}/*")
    if(left)
      break()
    endif()
    file(REMOVE_RECURSE "${folder}")
    get_filename_component(folder "${folder}" DIRECTORY)
  endwhile()
endif()

# The compilers' version notes (.comment) are no use to anyone running the
# binaries, and Debian's and Red Hat's own packages strip them too.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${root}/*")
foreach(file IN LISTS staged)
  if(NOT IS_SYMLINK "${file}")
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      execute_process(COMMAND "${DRAVO_OBJCOPY}" --remove-section=.comment --remove-section=.note "${file}"
        COMMAND_ERROR_IS_FATAL ANY)
    endif()
  endif()
endforeach()

# No file or folder carries the time it was built or installed.
execute_process(COMMAND find "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
  COMMAND_ERROR_IS_FATAL ANY)
