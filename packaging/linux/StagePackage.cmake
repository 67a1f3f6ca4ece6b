# Run by cpack on the staged files, before it makes a package of them.
set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
if(NOT IS_DIRECTORY "${root}")
  message(FATAL_ERROR "The staged files are not in ${root}")
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

# No file or folder carries the time it was built or installed.
execute_process(COMMAND find "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
  COMMAND_ERROR_IS_FATAL ANY)
