# Builds the Windows installer package: cmake -DWIXL=… -DMSIBUILD=… -DSOURCE=the .wxs
# -DOUTPUT=the .msi -DVERSION=a.b.c.d -DNEXT_VERSION=a.b.(c+1) -DPROGRAM=the .exe
# -DREADME=… [-DSETUP_LIBRARY=the .dll] -P BuildInstaller.cmake
#
# wixl finds files only relative to its working folder, so the files are put
# in a folder of their own under their installed names first. The package
# takes its name only once it is whole.
cmake_minimum_required(VERSION 3.25)

set(files "${OUTPUT}.files")
set(partial "${OUTPUT}.part")
file(REMOVE_RECURSE "${files}" "${partial}")
file(MAKE_DIRECTORY "${files}")
file(COPY_FILE "${PROGRAM}" "${files}/dravo-spark-config.exe")
file(COPY_FILE "${README}" "${files}/README.txt")
set(defines -D "Version=${VERSION}" -D "NextVersion=${NEXT_VERSION}")
if(SETUP_LIBRARY)
  file(COPY_FILE "${SETUP_LIBRARY}" "${files}/dravosparksetup.dll")
  list(APPEND defines -D SetupLibrary=yes)
endif()

execute_process(COMMAND "${WIXL}" --arch x64 ${defines} --output "${partial}" "${SOURCE}"
  WORKING_DIRECTORY "${files}" COMMAND_ERROR_IS_FATAL ANY)
if(SETUP_LIBRARY)
  # wixl has no component conditions: the Setup value is written only where
  # the driver is registered.
  execute_process(COMMAND "${MSIBUILD}" "${partial}"
      -q "UPDATE Component SET Condition = 'ODBCDRIVERFOUND' WHERE Component = 'SetupRegistration'"
    COMMAND_ERROR_IS_FATAL ANY)
endif()
file(RENAME "${partial}" "${OUTPUT}")
file(REMOVE_RECURSE "${files}")
