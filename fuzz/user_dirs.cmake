dravo_add_fuzz_target(user_dirs ${CMAKE_CURRENT_SOURCE_DIR}/user_dirs.cpp dravo_platform)
