# The unit suite in the Windows cross build, run under Wine (the toolchain's
# emulator). Test files that need what only POSIX systems have are left out of
# their test programs here, each with the reason; a program left with no file
# becomes one skipped test that says why.

# Test file -> why it cannot run on Windows.
set(DRAVO_WINDOWS_SKIPPED_TEST_FILES
  "platform/FileTest.cpp|POSIX file modes, symbolic links and FIFOs"
  "platform/RegistryKeyTest.cpp|the hive files of the POSIX registry store (Windows has the system registry)"
  "platform/RegistryProcessTest.cpp|fork() and the hive files of the POSIX registry store"
  "platform/DriverConfigurationTest.cpp|the driver's ini file, which the registry uses on POSIX systems only"
  "app/ConfigurationToolTest.cpp|POSIX processes, file modes and hive files"
  "app/TerminalRunTest.cpp|the terminal backend (ncurses and tmux)"
  "dialogs/SubDialogsEndToEndTest.cpp|POSIX processes and hive files"
  "driversupport/DSDSNConfigurationTest.cpp|unixODBC's installer library and POSIX processes"
  "driversupport/DidToolTest.cpp|POSIX processes"
  "settings/SODriverConnectionSettingsTest.cpp|the hive files of the POSIX registry store"
  "support/RegistryReaderTest.cpp|the hive files of the POSIX registry store"
  "tools/RegToolTest.cpp|the hive files of the POSIX registry store"
  "platform/OdbcInstallerTest.cpp|unixODBC's installer library and its ini files"
  "platform/OdbcIniFileTest.cpp|unixODBC's installer library and its ini files"
  "identity/ProductIdentityTest.cpp|POSIX processes (posix_spawn) for its probe program"
  "settings/ProductSwitchesTest.cpp|POSIX processes (posix_spawn) for its probe program"
  "settings/SOPropertySetTest.cpp|the hive files of the POSIX registry store"
  "settings/DataSourceSettingsTest.cpp|the hive files of the POSIX registry store"
  "driversupport/DSConnectionTesterTest.cpp|unixODBC's driver manager and a test driver built for it"
  "driversupport/DSTestResultDialogTest.cpp|unixODBC's driver manager and a test driver built for it"
  "dialogs/DataSourceLayoutTest.cpp|unixODBC's driver manager, installer and a test driver built for them"
  "dialogs/DataSourceAgreementTest.cpp|unixODBC's installer and its ini files"
  "reliability/ToolFaultTest.cpp|ptrace and the hive files of the POSIX registry store"
  "reliability/ConcurrentSaveTest.cpp|POSIX processes and the hive files of the POSIX registry store"
  "reliability/KilledSaveTest.cpp|SIGKILL and the hive files of the POSIX registry store")

# Listing a program's tests starts Wine, which takes a while on a busy machine.
set(DRAVO_TEST_DISCOVERY_TIMEOUT 120)
# Single tests (Suite.Name|reason) that check what only POSIX systems do; ctest
# lists them as disabled.
set(DRAVO_WINDOWS_DISABLED_TESTS
  "ConfigurationFileTest.TheDefaultFileIsInTheDocumentsFolder|the XDG user directories (Windows asks the shell)"
  "DSIFileLoggerTest.OpensLazilyAndFallsBackToStandardError|symbolic links, which need a privilege on Windows"
  "ProgramOptionsTest.UsageNamesTheFilesTheDriverReads|the driver's ini file (the Windows program's --help names the registry)"
  "TlsWin32Test.AServerThatWantsAClientCertificateGetsTheDecipheredKey|Wine's Schannel imports no PKCS #12 key and fails a handshake the server asks a certificate in (real Windows only)")

# Headers that only POSIX systems have, and our test helpers that use them.
set(DRAVO_POSIX_ONLY_INCLUDES
  "unistd\\.h|spawn\\.h|signal\\.h|fcntl\\.h|pwd\\.h|dlfcn\\.h|termios\\.h|sys/[a-z_]+\\.h|csignal"
  "|tests/common/ProgramRun\\.h|tests/common/UnprivilegedRun\\.h|tests/common/DriverKeyHive\\.h"
  "|tests/app/ToolRun\\.h|tests/reliability/[A-Za-z]+\\.h|tests/ui/terminal/[A-Za-z]+\\.h")
string(REPLACE ";" "" DRAVO_POSIX_ONLY_INCLUDES "${DRAVO_POSIX_ONLY_INCLUDES}")
# Calls of POSIX functions that the Windows C runtime lacks.
set(DRAVO_POSIX_ONLY_CALLS
  "setenv|unsetenv|mkdtemp|mkstemp|fork|execv|execvp|waitpid|kill|getuid|geteuid|setuid|chmod|fchmod|symlink"
  "|readlink|pipe|dup2|mkfifo|realpath|posix_spawn")
string(REPLACE ";" "" DRAVO_POSIX_ONLY_CALLS "${DRAVO_POSIX_ONLY_CALLS}")
# Wine maps drive Z: to the Unix root.
set(DRAVO_TEST_PATH_PREFIX "Z:")
set(DRAVO_WINE_PREFIX "${CMAKE_BINARY_DIR}/wineprefix")
set(DRAVO_TEST_EXTRA_ENVIRONMENT ";WINEPREFIX=${DRAVO_WINE_PREFIX};WINEDEBUG=-all")

# dravo_windows_select_sources(NAME SOURCES_VARIABLE): removes the skipped
# files from the list; with none left, adds a skipped test named NAME that
# gives the reasons, and an empty target of that name for add_dependencies.
function(dravo_windows_select_sources name sources_variable)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  set(kept)
  set(reasons)
  foreach(source ${${sources_variable}})
    set(skip_reason)
    foreach(entry ${DRAVO_WINDOWS_SKIPPED_TEST_FILES})
      string(REPLACE "|" ";" parts "${entry}")
      list(GET parts 0 skipped_file)
      list(GET parts 1 reason)
      if("${folder}/${source}" STREQUAL skipped_file)
        set(skip_reason "${reason}")
      endif()
    endforeach()
    if(NOT skip_reason AND EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source})
      # A file that includes a POSIX-only header, or a test helper built on one.
      file(READ ${CMAKE_CURRENT_SOURCE_DIR}/${source} text)
      string(REGEX MATCH "#include [<\"](${DRAVO_POSIX_ONLY_INCLUDES})[>\"]" posix_include "${text}")
      string(REGEX MATCH "::(${DRAVO_POSIX_ONLY_CALLS})\\(" posix_call "${text}")
      if(posix_include)
        string(REGEX REPLACE "#include " "" posix_include "${posix_include}")
        set(skip_reason "what only POSIX systems have (it includes ${posix_include})")
      elseif(posix_call)
        set(skip_reason "what only POSIX systems have (it calls ${posix_call})")
      endif()
    endif()
    if(skip_reason)
      message(STATUS "Windows: ${folder}/${source} is left out: it needs ${skip_reason}")
      list(APPEND reasons "${source} needs ${skip_reason}")
    else()
      list(APPEND kept ${source})
    endif()
  endforeach()
  if(NOT kept)
    add_custom_target(${name})
    string(REPLACE ";" ", " reason_text "${reasons}")
    add_test(NAME ${name} COMMAND ${CMAKE_COMMAND} -E echo "skipped on Windows: ${reason_text}")
    set_tests_properties(${name} PROPERTIES SKIP_REGULAR_EXPRESSION "skipped on Windows" LABELS "unit;windows-skipped")
  endif()
  set(${sources_variable} ${kept} PARENT_SCOPE)
endfunction()

# dravo_windows_disable_tests(SCRIPT NAME): appends to a test program's
# include script the lines that disable the tests listed above.
function(dravo_windows_disable_tests script name)
  foreach(entry ${DRAVO_WINDOWS_DISABLED_TESTS})
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 test)
    list(GET parts 1 reason)
    file(APPEND ${script}
      "# On Windows ${test} needs ${reason}.\n"
      "list(FIND ${name}_TESTS \"${test}\" found)\n"
      "if(NOT found EQUAL -1)\n"
      "  set_tests_properties(\"${test}\" PROPERTIES DISABLED TRUE)\n"
      "endif()\n")
  endforeach()
endfunction()
