dravo_add_fuzz_target(log_settings ${CMAKE_CURRENT_SOURCE_DIR}/log_settings.cpp dravo_support)
