# cmake -DSOURCE_DIR=<repository> -P CheckLayers.cmake
# Fails, naming the file and line, when product code includes a header of a
# layer above its own.
include(${SOURCE_DIR}/cmake/DravoLayers.cmake)

set(violations "")
list(LENGTH DRAVO_LAYERS layer_count)
foreach(layer IN LISTS DRAVO_LAYERS)
  list(FIND DRAVO_LAYERS ${layer} rank)
  file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/${layer}/*.h ${SOURCE_DIR}/${layer}/*.cpp ${SOURCE_DIR}/${layer}/*.inc)
  foreach(file IN LISTS files)
    file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[A-Za-z0-9_]+/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([A-Za-z0-9_]+)/.*" "\\1" included "${line}")
      list(FIND DRAVO_LAYERS ${included} included_rank)
      if(included_rank GREATER rank)
        string(STRIP "${line}" line)
        string(APPEND violations "  ${file} (${layer}): ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "Includes that point up the layers (${DRAVO_LAYERS}):\n${violations}")
endif()
