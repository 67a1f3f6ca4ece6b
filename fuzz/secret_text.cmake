# The password check of new files belongs to the POSIX saves only.
if(NOT WIN32)
  dravo_add_fuzz_target(secret_text ${CMAKE_CURRENT_SOURCE_DIR}/secret_text.cpp dravo_platform)
endif()
