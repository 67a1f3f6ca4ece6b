# Builds the Windows installer package: cmake -DWIXL=… -DMSIBUILD=… -DOBJCOPY=…
# -DSOURCE=the .wxs -DOUTPUT=the .msi -DVERSION=a.b.c.d -DPROGRAM=the dialog
# program -DCONSOLE_PROGRAM=the console program -DICON=the .ico -DREADME=…
# -DHELP_LINK=… -DABOUT_LINK=… -DCONTACT=… [-DSETUP_LIBRARY=the .dll]
# [-DSIGN_SCRIPT=SignFile.cmake and its -D options] -P BuildInstaller.cmake
#
# wixl finds files only relative to its working folder, so the files are put
# in a folder of their own under their installed names first. The package
# takes its name only once it is whole (and signed).
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/VersionResource.cmake)

set(files "${OUTPUT}.files")
set(partial "${OUTPUT}.part")
file(REMOVE_RECURSE "${files}" "${partial}")
file(MAKE_DIRECTORY "${files}")
file(COPY_FILE "${PROGRAM}" "${files}/dravo-spark-config.exe")
file(COPY_FILE "${ICON}" "${files}/dravo-spark-config.ico")
file(COPY_FILE "${CONSOLE_PROGRAM}" "${files}/dravo-spark-config-cli.exe")
# Notepad before Windows 10 1809 shows LF-only text on one line.
file(READ "${README}" readme)
string(REPLACE "\r\n" "\n" readme "${readme}")
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE "${files}/README.txt" "${readme}")
set(defines -D "Version=${VERSION}" -D "HelpLink=${HELP_LINK}" -D "AboutLink=${ABOUT_LINK}" -D "Contact=${CONTACT}")
set(versioned_files ProgramExecutable "${PROGRAM}" ConsoleProgram "${CONSOLE_PROGRAM}")
if(SETUP_LIBRARY)
  file(COPY_FILE "${SETUP_LIBRARY}" "${files}/dravosparksetup.dll")
  list(APPEND defines -D SetupLibrary=yes)
  list(APPEND versioned_files SetupLibrary "${SETUP_LIBRARY}")
endif()

execute_process(COMMAND "${WIXL}" --arch x64 ${defines} --output "${partial}" "${SOURCE}"
  WORKING_DIRECTORY "${files}" COMMAND_ERROR_IS_FATAL ANY)

# What wixl leaves out of the package.
set(queries)
# Windows Installer replaces a versioned file by comparing versions, and
# keeps hashes only for unversioned files.
while(versioned_files)
  list(POP_FRONT versioned_files file_key file)
  read_version_resource("${file}" "${files}/resources" file_version file_language)
  list(APPEND queries
    "UPDATE `File` SET `Version` = '${file_version}', `Language` = '${file_language}' WHERE `File` = '${file_key}'"
    "DELETE FROM `MsiFileHash` WHERE `File_` = '${file_key}'")
endwhile()
# An upgrade keeps the features installed by the version it replaces
# (attributes 1, beside 256 for the minimum included; the maximum, this
# version, is not). The attributes are part of the row's key, so the row is
# written anew.
file(STRINGS "${SOURCE}" upgrade_code REGEX "UpgradeCode=\"[^\"]+\"" LIMIT_COUNT 1)
string(REGEX REPLACE ".*UpgradeCode=\"([^\"]+)\".*" "{\\1}" upgrade_code "${upgrade_code}")
list(APPEND queries
  "DELETE FROM `Upgrade` WHERE `ActionProperty` = 'OLDERVERSIONFOUND'"
  "INSERT INTO `Upgrade` (`UpgradeCode`, `VersionMin`, `VersionMax`, `Attributes`, `ActionProperty`) VALUES ('${upgrade_code}', '0.0.0', '${VERSION}', 257, 'OLDERVERSIONFOUND')")
# The folder above a folder named on the command line: whether it is there
# before the package makes it (wixl has no directory searches), and the
# record that the package made it, installed then and kept by upgrades to the
# same folder; the record's removal takes the folder, when empty, with it.
list(APPEND queries
  "CREATE TABLE `DrLocator` (`Signature_` CHAR(72) NOT NULL, `Parent` CHAR(72), `Path` CHAR(255), `Depth` SHORT PRIMARY KEY `Signature_`, `Parent`, `Path`)"
  "INSERT INTO `DrLocator` (`Signature_`, `Path`, `Depth`) VALUES ('InstallParentProbe', '[INSTALLPARENT]', 0)"
  "INSERT INTO `AppSearch` (`Property`, `Signature_`) VALUES ('INSTALLPARENTFOUND', 'InstallParentProbe')"
  "UPDATE `Component` SET `Condition` = '(COMMANDLINEINSTALLDIR AND NOT INSTALLPARENTFOUND) OR (SAVEDCREATEDPARENT AND INSTALLDIR ~= SAVEDINSTALLDIR)' WHERE `Component` = 'CreatedParentRecord'")
# The vendor's folder only holds the default INSTALLDIR: for a folder
# elsewhere it would be left empty. INSTALLDIR is unset before costing
# resolves it to the default.
list(APPEND queries
  "UPDATE `Component` SET `Condition` = 'NOT INSTALLDIR OR INSTALLDIR ~<< VENDORFOLDERDEFAULT' WHERE `Component` = 'VendorFolder'")
# What wixl cannot write: HKMU (it writes 4 for -1), the attribute that keeps
# Program from being made absent (16), and the short names that Windows uses
# where long names cannot be made (8.3 file systems), which the validation
# of a package asks for.
list(APPEND queries
  "UPDATE `Registry` SET `Root` = -1 WHERE `Component_` = 'StartMenuShortcut'"
  "UPDATE `Feature` SET `Attributes` = 16 WHERE `Feature` = 'Program'"
  "UPDATE `File` SET `FileName` = 'DRAVOSPC.EXE|dravo-spark-config.exe' WHERE `File` = 'ProgramExecutable'"
  "UPDATE `File` SET `FileName` = 'DRAVOCLI.EXE|dravo-spark-config-cli.exe' WHERE `File` = 'ConsoleProgram'"
  "UPDATE `File` SET `FileName` = 'DRAVOSET.DLL|dravosparksetup.dll' WHERE `File` = 'SetupLibrary'"
  "UPDATE `Directory` SET `DefaultDir` = 'DRAVOSPC|Dravo Spark ODBC Driver Configuration' WHERE `Directory` = 'INSTALLDIR'"
  "UPDATE `Directory` SET `DefaultDir` = 'INSTPAR|InstallParent' WHERE `Directory` = 'INSTALLPARENT'"
  "UPDATE `Shortcut` SET `Name` = 'DRAVOSPC|Dravo Spark ODBC Driver Configuration' WHERE `Shortcut` = 'StartMenuShortcut'")

if(SETUP_LIBRARY)
  # wixl has no component conditions: the Setup value is written only where
  # the driver is registered and names no setup library but ours.
  list(APPEND queries
    "UPDATE `Component` SET `Condition` = 'ODBCDRIVERFOUND AND (NOT EXISTINGODBCSETUP OR EXISTINGODBCSETUP ~= PREVIOUSSETUPLIBRARY)' WHERE `Component` = 'SetupRegistration'")
endif()
set(arguments)
foreach(query IN LISTS queries)
  list(APPEND arguments -q "${query}")
endforeach()
execute_process(COMMAND "${MSIBUILD}" "${partial}" ${arguments} COMMAND_ERROR_IS_FATAL ANY)
# Passed from the user interface's sequence to the installation's, which
# runs with the system's rights: INSTALLDIR, what the command line said, and
# what the search found. (Its own call: a list would split the value.)
execute_process(COMMAND "${MSIBUILD}" "${partial}" -q
    "UPDATE `Property` SET `Value` = 'OLDERVERSIONFOUND;NEWERVERSIONFOUND;INSTALLDIR;COMMANDLINEINSTALLDIR;COMMANDLINEREAD;INSTALLPARENTFOUND' WHERE `Property` = 'SecureCustomProperties'"
  COMMAND_ERROR_IS_FATAL ANY)

# The columns' rules, which validation (ICE03 and the rest) reads; wixl
# writes none.
file(COPY_FILE "${CMAKE_CURRENT_LIST_DIR}/Validation.idt" "${files}/_Validation.idt")
execute_process(COMMAND "${MSIBUILD}" "${partial}" -i _Validation.idt WORKING_DIRECTORY "${files}"
  COMMAND_ERROR_IS_FATAL ANY)

if(SIGN_SCRIPT)
  set(sign_options)
  foreach(option OSSLSIGNCODE CERTIFICATE KEY KEY_PASSWORD_FILE PKCS11_MODULE TIMESTAMP_URL)
    list(APPEND sign_options "-D${option}=${${option}}")
  endforeach()
  execute_process(COMMAND "${CMAKE_COMMAND}" ${sign_options} "-DFILE=${partial}"
      "-DDESCRIPTION=Dravo Spark ODBC Driver Configuration" -P "${SIGN_SCRIPT}"
    COMMAND_ERROR_IS_FATAL ANY)
endif()
file(RENAME "${partial}" "${OUTPUT}")
file(REMOVE_RECURSE "${files}")
