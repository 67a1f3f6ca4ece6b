dravo_add_fuzz_target(odbc_ini_file ${CMAKE_CURRENT_SOURCE_DIR}/odbc_ini_file.cpp dravo_platform)
