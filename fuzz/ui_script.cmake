dravo_add_fuzz_target(ui_script ${CMAKE_CURRENT_SOURCE_DIR}/ui_script.cpp dravo_ui_headless)
