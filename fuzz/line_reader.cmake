dravo_add_fuzz_target(line_reader ${CMAKE_CURRENT_SOURCE_DIR}/line_reader.cpp dravo_support)
