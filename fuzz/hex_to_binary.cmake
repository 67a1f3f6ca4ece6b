dravo_add_fuzz_target(hex_to_binary ${CMAKE_CURRENT_SOURCE_DIR}/hex_to_binary.cpp dravo_support)
