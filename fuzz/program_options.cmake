dravo_add_fuzz_target(program_options ${CMAKE_CURRENT_SOURCE_DIR}/program_options.cpp dravo_app)
