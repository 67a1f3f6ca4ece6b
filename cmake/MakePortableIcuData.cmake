# Writes ICU's data as assembly, with only the items the tool uses, from the
# data library of Debian's libicu-dev:
#   cmake -DARCHIVE=libicudata.a -DNAME=icudt72l -DKEEP=icu-data-keep.txt
#         -DWORK=DIR -DAR=... -DOBJCOPY=... -DICUPKG=... -DGENCCODE=... -P MakePortableIcuData.cmake
# The archive holds one object whose read-only data is the whole package.
file(REMOVE_RECURSE "${WORK}/full" "${WORK}/small")
file(MAKE_DIRECTORY "${WORK}/full" "${WORK}/small")
execute_process(COMMAND "${AR}" x "${ARCHIVE}" "${NAME}_dat.o" WORKING_DIRECTORY "${WORK}/full"
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${OBJCOPY}" -O binary -j .rodata "${NAME}_dat.o" "${NAME}.dat"
  WORKING_DIRECTORY "${WORK}/full" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${ICUPKG}" -l "${NAME}.dat" WORKING_DIRECTORY "${WORK}/full"
  OUTPUT_VARIABLE items COMMAND_ERROR_IS_FATAL ANY)

# One extended regular expression a line, matched against the whole name.
file(STRINGS "${KEEP}" patterns REGEX "^[^#]")
string(REPLACE "\n" ";" items "${items}")
set(remove "")
set(kept 0)
foreach(item IN LISTS items)
  string(STRIP "${item}" item)
  if(item STREQUAL "")
    continue()
  endif()
  set(keep FALSE)
  foreach(pattern IN LISTS patterns)
    if(item MATCHES "^(${pattern})$")
      set(keep TRUE)
      break()
    endif()
  endforeach()
  if(keep)
    math(EXPR kept "${kept} + 1")
  else()
    string(APPEND remove "${item}\n")
  endif()
endforeach()
if(kept EQUAL 0)
  message(FATAL_ERROR "no ICU data item of ${ARCHIVE} is on the list ${KEEP}")
endif()
file(WRITE "${WORK}/remove.txt" "${remove}")
execute_process(COMMAND "${ICUPKG}" -r "${WORK}/remove.txt" "${WORK}/full/${NAME}.dat" "${WORK}/small/${NAME}.dat"
  COMMAND_ERROR_IS_FATAL ANY)
string(REGEX REPLACE "[lbe]$" "" entry "${NAME}")
execute_process(COMMAND "${GENCCODE}" -a gcc -e "${entry}" -d "${WORK}" "${WORK}/small/${NAME}.dat"
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
message(STATUS "ICU data: ${kept} items kept")
