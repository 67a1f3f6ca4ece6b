dravo_add_fuzz_target(attribute_list ${CMAKE_CURRENT_SOURCE_DIR}/attribute_list.cpp dravo_setup)
