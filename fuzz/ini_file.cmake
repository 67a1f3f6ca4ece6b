dravo_add_fuzz_target(ini_file ${CMAKE_CURRENT_SOURCE_DIR}/ini_file.cpp dravo_platform)
