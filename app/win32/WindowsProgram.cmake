# The configuration tool as a Windows GUI program: wWinMain, a manifest that
# asks for administrator rights, Common Controls 6 and DPI awareness, the
# product's icon, and version information with the product's version; signed
# when signing is set up. Included by app/CMakeLists.txt.
set(DRAVO_VERSION "${PROJECT_VERSION}")
set(DRAVO_ICON_PATH "${PROJECT_SOURCE_DIR}/resources/dravo-spark-config.ico")
set(DRAVO_MANIFEST_PATH "${CMAKE_CURRENT_BINARY_DIR}/dravo-spark-config.manifest")
configure_file(${CMAKE_CURRENT_LIST_DIR}/dravo-spark-config.manifest ${DRAVO_MANIFEST_PATH} @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/dravo-spark-config.rc.in
  ${CMAKE_CURRENT_BINARY_DIR}/dravo-spark-config.rc @ONLY)

dravo_add_program(dravo-spark-config
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp ${CMAKE_CURRENT_BINARY_DIR}/dravo-spark-config.rc
  DEPS dravo_app)
set_target_properties(dravo-spark-config PROPERTIES WIN32_EXECUTABLE ON)
# wWinMain is the wide entry point; a release keeps no symbol table.
target_link_options(dravo-spark-config PRIVATE -municode $<$<CONFIG:Release,MinSizeRel>:-s>)
set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/dravo-spark-config.rc APPEND PROPERTY
  OBJECT_DEPENDS ${DRAVO_MANIFEST_PATH} ${DRAVO_ICON_PATH})
dravo_sign_windows_binary(dravo-spark-config "Dravo Spark ODBC Driver Configuration")
