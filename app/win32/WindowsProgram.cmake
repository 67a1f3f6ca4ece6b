# The configuration tool on Windows, as two programs of the same code: the
# dialog program, a GUI program whose manifest asks for administrator rights,
# and the console program for scripts and deployment tools, which runs with
# its caller's rights so that its caller waits for it, redirects its output
# and reads its exit status. Both have Common Controls 6, DPI awareness, the
# product's icon and version information, and are signed when signing is set
# up. Included by app/CMakeLists.txt.
set(manifest ${CMAKE_CURRENT_LIST_DIR}/dravo-spark-config.manifest)

dravo_add_program(dravo-spark-config
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/WinMain.cpp ${CMAKE_CURRENT_LIST_DIR}/ToolRun.cpp
  DEPS dravo_app)
set_target_properties(dravo-spark-config PROPERTIES WIN32_EXECUTABLE ON)
set(DRAVO_EXECUTION_LEVEL requireAdministrator)
set(DRAVO_ASSEMBLY_NAME Dravo.SparkODBC.Configuration)
dravo_add_windows_resources(dravo-spark-config DESCRIPTION "Dravo Spark ODBC Driver Configuration"
  MANIFEST ${manifest} ICON)

dravo_add_program(dravo-spark-config-cli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/ConsoleMain.cpp ${CMAKE_CURRENT_LIST_DIR}/ConsoleStreams.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToolRun.cpp
  DEPS dravo_app)
set(DRAVO_EXECUTION_LEVEL asInvoker)
set(DRAVO_ASSEMBLY_NAME Dravo.SparkODBC.Configuration.Console)
dravo_add_windows_resources(dravo-spark-config-cli DESCRIPTION "Dravo Spark ODBC Driver Configuration (console)"
  MANIFEST ${manifest} ICON)

# Wide entry points (wWinMain, wmain); a release keeps no symbol table.
foreach(program dravo-spark-config dravo-spark-config-cli)
  target_link_options(${program} PRIVATE -municode $<$<CONFIG:Release,MinSizeRel>:-s>)
endforeach()
