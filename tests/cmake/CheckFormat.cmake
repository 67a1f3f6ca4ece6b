# cmake -DSOURCE_DIR=<repository> -DCLANG_FORMAT=<program> -P CheckFormat.cmake
# Fails, naming the files, when C and C++ sources differ from what
# .clang-format makes of them; `clang-format -i FILE` mends one.
if(NOT CLANG_FORMAT OR NOT EXISTS "${CLANG_FORMAT}")
  message(FATAL_ERROR "clang-format is not installed (scripts/install-deps.sh installs it)")
endif()
set(folders app bench dialogs driversupport fuzz identity packaging platform resources settings setup support tests tools ui)
set(patterns "")
foreach(folder IN LISTS folders)
  list(APPEND patterns ${SOURCE_DIR}/${folder}/*.cpp ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.c)
endforeach()
file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${patterns})
list(SORT files)

execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror --style=file ${files}
  WORKING_DIRECTORY ${SOURCE_DIR} RESULT_VARIABLE status ERROR_VARIABLE complaints OUTPUT_QUIET)
if(NOT status EQUAL 0)
  # Each complaint names its file and line: one line per file is enough.
  string(REGEX MATCHALL "[^\n]*: (error|warning): code should be clang-formatted[^\n]*" lines "${complaints}")
  set(unformatted "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ":[0-9]+:[0-9]+: .*" "" file "${line}")
    list(APPEND unformatted ${file})
  endforeach()
  list(REMOVE_DUPLICATES unformatted)
  list(JOIN unformatted "\n  " unformatted)
  message(FATAL_ERROR "Not formatted as .clang-format says (clang-format -i FILE mends each):\n  ${unformatted}")
endif()
