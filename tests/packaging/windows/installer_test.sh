#!/bin/sh
# The Windows installer package under Wine's own msiexec. The argument names
# the case; each case runs in a Wine prefix of its own, copied from a template
# prefix that the case "template" makes once per build tree (wineboot is slow).
#
# The cases "tables", "signatures" and "timestamp" read the package and the
# files without Wine, with msitools and osslsigncode; "tables" checks what the
# validation rules of Windows Installer (ICE) that matter here would, since
# none can run on Linux; "timestamp" signs copies with time stamps from a
# time-stamp server of its own on 127.0.0.1.
#
# Environment (tests/packaging/windows/CMakeLists.txt): DRAVO_WINE, DRAVO_MSI,
# DRAVO_VERSION, DRAVO_NEXT_MSI, DRAVO_NEXT_VERSION, DRAVO_NEXT_README,
# DRAVO_PROGRAM, DRAVO_CONSOLE_PROGRAM, DRAVO_SETUP_LIBRARY (empty without
# one), DRAVO_ICON, DRAVO_OTHER_BINARIES (signed, not packaged),
# DRAVO_README, DRAVO_SIGNING_CERTIFICATE (empty when the build signs nothing),
# DRAVO_CMAKE, DRAVO_SIGN_SCRIPT, DRAVO_TIME_STAMP_SERVER, DRAVO_WINE_TEMPLATE,
# DRAVO_MSI_WORK.
set -eu

CASE=$1
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

PRODUCT="Dravo Spark ODBC Driver Configuration"
INSTALL_DIR="C:\\Program Files\\Dravo\\$PRODUCT"
DRIVER_KEY='HKLM\SOFTWARE\Dravo\Dravo Spark ODBC Driver\Driver'
ODBC_DRIVER_KEY='HKLM\SOFTWARE\ODBC\ODBCINST.INI\Dravo Spark ODBC Driver'
PACKAGE_KEY="HKLM\\SOFTWARE\\Dravo\\$PRODUCT"
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# --- Wine prefixes ---------------------------------------------------------

make_template() {
  # A template left by another Wine version would be updated in place by the
  # first program started in a copy, through the links below.
  version=$("$DRAVO_WINE" --version)
  if [ "$(cat "$DRAVO_WINE_TEMPLATE/.wine-version" 2>/dev/null)" = "$version" ]; then
    return
  fi
  rm -rf "$DRAVO_WINE_TEMPLATE" "$DRAVO_WINE_TEMPLATE.new"
  WINEPREFIX="$DRAVO_WINE_TEMPLATE.new" "$DRAVO_WINE" wineboot --init >/dev/null 2>&1
  WINEPREFIX="$DRAVO_WINE_TEMPLATE.new" "$WINESERVER" -w
  echo "$version" >"$DRAVO_WINE_TEMPLATE.new/.wine-version"
  mv "$DRAVO_WINE_TEMPLATE.new" "$DRAVO_WINE_TEMPLATE"
}

# Starts this case in a fresh copy of the template. The DLLs, programs and
# tables in system32 are Wine's own, which it only reads: they are linked, not
# copied (the prefix is 700 MB); every other file is the copy's own.
fresh_prefix() {
  [ -f "$DRAVO_WINE_TEMPLATE/.wine-version" ] || fail "no template prefix in $DRAVO_WINE_TEMPLATE"
  WINEPREFIX="$DRAVO_MSI_WORK/$CASE"
  export WINEPREFIX
  rm -rf "$WINEPREFIX"
  mkdir -p "$DRAVO_MSI_WORK"
  cp -al "$DRAVO_WINE_TEMPLATE" "$WINEPREFIX"
  find "$WINEPREFIX" -type f ! \( -path "$WINEPREFIX/drive_c/windows/system32/*" \( -name '*.dll' -o -name '*.exe' \
    -o -name '*.nls' -o -name '*.sys' -o -name '*.drv' -o -name '*.ocx' -o -name '*.cpl' -o -name '*.acm' \
    -o -name '*.tlb' -o -name '*.com' -o -name '*.ax' \) \) \
    -exec sh -c 'for file; do cp -p "$file" "$file.copy" && mv -f "$file.copy" "$file"; done' sh {} +
  trap end_prefix EXIT
}

# Stops the prefix's Wine; a prefix that passed goes, one that failed stays
# for a look until the case runs again.
end_prefix() {
  status=$?
  "$WINESERVER" -k 2>/dev/null || true
  if [ "$status" -eq 0 ]; then
    rm -rf "$WINEPREFIX"
  else
    echo "the Wine prefix is kept in $WINEPREFIX" >&2
  fi
}

# The files of the prefix, for comparing before and after; Wine makes Windows
# Installer's own cache folder on its first installation (Windows has it).
prefix_files() {
  (cd "$WINEPREFIX" && find drive_c ! -path drive_c/windows/Installer | LC_ALL=C sort)
}

# --- Wine ------------------------------------------------------------------

windows_path() {
  printf 'Z:%s' "$1" | tr / '\\'
}

# msiexec ARGUMENTS...: its exit status (Wine passes on the low eight bits).
msiexec() {
  "$DRAVO_WINE" msiexec "$@" >/dev/null 2>&1
}

# install_package PACKAGE [PROPERTY=VALUE...]
install_package() {
  package=$1
  shift
  msiexec /i "$(windows_path "$package")" /qn "$@" || fail "msiexec /i $package $* exited with $?"
}

# remove_package PACKAGE | PRODUCT-CODE
remove_package() {
  case $1 in
    /*) msiexec /x "$(windows_path "$1")" /qn || fail "msiexec /x $1 exited with $?" ;;
    *) msiexec /x "$1" /qn || fail "msiexec /x $1 exited with $?" ;;
  esac
}

# reg_value KEY NAME: the value's data; fails without the value.
reg_value() {
  "$DRAVO_WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' \
    | awk -v name="$2" '$1 == name { sub(/^[ ]*[^ ]+[ ]+[^ ]+[ ]+/, ""); print; found = 1 } END { exit !found }'
}

expect_value() {
  actual=$(reg_value "$1" "$2") || fail "$1 has no value $2"
  [ "$actual" = "$3" ] || fail "$1 $2 is \"$actual\", not \"$3\""
}

expect_no_key() {
  if "$DRAVO_WINE" reg query "$1" >/dev/null 2>&1; then
    fail "$1 is there"
  fi
}

# The installed-programs entries of the product, one line each:
# key|DisplayVersion|Publisher|InstallLocation.
entries() {
  "$DRAVO_WINE" reg query "$UNINSTALL_KEY" /s 2>/dev/null | tr -d '\r' | awk -v product="$PRODUCT" '
    function flush() { if (name == product) print key "|" values["DisplayVersion"] "|" values["Publisher"] "|" values["InstallLocation"] }
    /^HKEY_/ { flush(); key = $0; name = ""; delete values; next }
    NF >= 2 && $2 ~ /^REG_/ {
      value = $0; sub(/^[ ]*[^ ]+[ ]+[^ ]+[ ]*/, "", value)
      if ($1 == "DisplayName") { name = value } else { values[$1] = value }
    }
    END { flush() }'
}

# expect_one_entry VERSION [FOLDER]: one entry, of that version, by Dravo,
# naming the installation folder; sets ENTRY_KEY.
expect_one_entry() {
  found=$(entries)
  [ "$(printf '%s' "$found" | grep -c '^')" -eq 1 ] || fail "not one installed-programs entry: $found"
  ENTRY_KEY=${found%%|*}
  [ "$found" = "$ENTRY_KEY|$1|Dravo|${2:-$INSTALL_DIR}\\" ] || fail "the entry is $found"
}

# --- The installed files ---------------------------------------------------

# unix_path 'C:\A\B': where the prefix keeps that folder.
unix_path() {
  printf '%s/drive_c/%s' "$WINEPREFIX" "$(printf '%s' "${1#C:\\}" | tr '\\' /)"
}

# expect_installed FOLDER README: the programs, the setup library when the
# package has one, and README as README.txt with CR LF, in that Windows folder.
expect_installed() {
  installed=$(unix_path "$1")
  cmp -s "$DRAVO_PROGRAM" "$installed/dravo-spark-config.exe" || fail "$1 holds not the built program"
  cmp -s "$DRAVO_CONSOLE_PROGRAM" "$installed/dravo-spark-config-cli.exe" || fail "$1 holds not the console program"
  sed 's/$/\r/' "$2" | cmp -s - "$installed/README.txt" || fail "$1\\README.txt is not $2 with CR LF"
  if package_has_setup_library; then
    [ -f "$installed/dravosparksetup.dll" ] || fail "$1 holds no setup library"
  fi
}

# The Start-menu shortcut, wherever Wine's msiexec resolves ProgramMenuFolder
# (a per-user folder even for a per-machine package).
shortcuts() {
  find "$WINEPREFIX/drive_c" -path "*/Start Menu/Programs/$PRODUCT.lnk"
}

# expect_shortcut [FOLDER]: the shortcut starts the program in that folder.
expect_shortcut() {
  shortcut=$(shortcuts)
  [ -n "$shortcut" ] || fail "no Start-menu shortcut"
  grep -aqF "${1:-$INSTALL_DIR}\\dravo-spark-config.exe" "$shortcut" || fail "the shortcut does not start the installed program"
}

package_has_setup_library() {
  msiinfo export "$DRAVO_MSI" File | grep -q dravosparksetup.dll
}

# --- The package's tables --------------------------------------------------

# rows TABLE: the rows of the package's table, columns separated by tabs.
rows() {
  msiinfo export "$DRAVO_MSI" "$1" | tail -n +4 | tr -d '\r'
}

# cell TABLE KEY COLUMN: the column (from 1) of the row whose first column is KEY.
cell() {
  rows "$1" | awk -F '\t' -v key="$2" -v column="$3" '$1 == key { print $column; found = 1 } END { exit !found }' \
    || fail "the $1 table has no row $2"
}

# --- Cases -----------------------------------------------------------------

case_install() {
  fresh_prefix
  install_package "$DRAVO_MSI"
  expect_installed "$INSTALL_DIR" "$DRAVO_README"
  expect_shortcut
  expect_one_entry "$DRAVO_VERSION"
  # The shortcut shows the program's icon, which Windows Installer keeps for
  # the entry too.
  product_code=${ENTRY_KEY##*\\}
  cmp -s "$WINEPREFIX/drive_c/windows/Installer/$product_code/ProductIcon" "$DRAVO_ICON" \
    || fail "Windows Installer keeps no icon of the product"
  # A link keeps the icon's path in ANSI or UTF-16 text: read both.
  tr -d '\000' < "$(shortcuts)" | grep -aqF "\\Installer\\$product_code\\ProductIcon" \
    || fail "the shortcut shows no icon"

  # The same package again changes nothing.
  install_package "$DRAVO_MSI"
  expect_installed "$INSTALL_DIR" "$DRAVO_README"
  expect_one_entry "$DRAVO_VERSION"

  # The installed program saves to the machine's driver key.
  script="$DRAVO_MSI_WORK/$CASE.script"
  printf 'select 1038 SparkThriftServer (Spark 1.1 and later)\nselect 1040 Kerberos\ntype 1041 EXAMPLE.COM\ntype 1042 spark.example.com\ntype 1043 spark\nclick 1\n' >"$script"
  status=0
  "$DRAVO_WINE" "$INSTALL_DIR\\dravo-spark-config.exe" --script "$(windows_path "$script")" || status=$?
  [ "$status" -eq 1 ] || fail "the installed program exited with $status, not 1 (OK)"
  rm -f "$script"
  expect_value "$DRIVER_KEY" AuthMech 1
  expect_value "$DRIVER_KEY" KrbRealm EXAMPLE.COM
  expect_value "$DRIVER_KEY" KrbHostFQDN spark.example.com
  expect_value "$DRIVER_KEY" KrbServiceName spark
}

case_upgrade() {
  fresh_prefix
  # In a folder of the administrator's choosing, which the upgrade keeps.
  folder='C:\Tools\Dravo Config'
  install_package "$DRAVO_MSI" "INSTALLDIR=$folder\\"
  expect_installed "$folder" "$DRAVO_README"
  install_package "$DRAVO_NEXT_MSI"
  expect_one_entry "$DRAVO_NEXT_VERSION" "$folder"
  expect_installed "$folder" "$DRAVO_NEXT_README"
  expect_shortcut "$folder"

  # Straight after the upgrade, the older package is refused and changes
  # nothing: the upgrade code is registered to the newer version.
  status=0
  msiexec /i "$(windows_path "$DRAVO_MSI")" /qn || status=$?
  [ "$status" -eq $((1603 % 256)) ] || fail "the older package over the newer one exited with $status, not 1603"
  expect_one_entry "$DRAVO_NEXT_VERSION" "$folder"
  expect_installed "$folder" "$DRAVO_NEXT_README"
}

case_removal() {
  fresh_prefix
  before=$(prefix_files)
  "$DRAVO_WINE" reg add "$DRIVER_KEY" /v AuthMech /d 3 /f >/dev/null 2>&1
  "$DRAVO_WINE" reg add "$DRIVER_KEY" /v Host /d spark.example.com /f >/dev/null 2>&1
  install_package "$DRAVO_MSI"
  expect_one_entry "$DRAVO_VERSION"

  # Removed by product code, as deployment tools do: nothing of the package
  # is left, the vendor folder included, and the driver's settings stay.
  product_code=${ENTRY_KEY##*\\}
  remove_package "$product_code"
  [ -z "$(entries)" ] || fail "the installed-programs entry is still there"
  [ -z "$(shortcuts)" ] || fail "the Start-menu shortcut is still there"
  after=$(prefix_files)
  [ "$after" = "$before" ] || fail "left behind: $(echo "$after" | grep -vxF "$before")"
  expect_no_key "$PACKAGE_KEY"
  expect_value "$DRIVER_KEY" AuthMech 3
  expect_value "$DRIVER_KEY" Host spark.example.com

  # From a folder of the administrator's choosing, named without the closing
  # backslash, removed by package: another product of the vendor's keeps its
  # files, and no empty vendor folder is made.
  folder='C:\Tools\Dravo Config'
  install_package "$DRAVO_MSI" "INSTALLDIR=$folder"
  expect_installed "$folder" "$DRAVO_README"
  [ ! -e "$(unix_path 'C:\Program Files\Dravo')" ] || fail "an empty vendor folder was made"
  # The record names C:\Tools, not the folder itself.
  recorded=$(reg_value "$PACKAGE_KEY" CreatedParentFolder) || fail "no record of the folder made"
  case $recorded in
    'C:\Tools\' | "$folder\\..\\") ;;
    *) fail "the folder made is recorded as $recorded" ;;
  esac
  other="$WINEPREFIX/drive_c/Program Files/Dravo/Another Product"
  mkdir -p "$other"
  echo keep >"$other/file.txt"
  remove_package "$DRAVO_MSI"
  [ ! -e "$(unix_path "$folder")" ] || fail "$folder is still there"
  [ "$(cat "$other/file.txt")" = keep ] || fail "the other product's file is gone"
  # The package made C:\Tools for it, and takes it away empty.
  [ ! -e "$(unix_path 'C:\Tools')" ] || fail "C:\\Tools, which the package made, is still there"

  # A folder that was there before keeps its place, empty or not.
  mkdir -p "$(unix_path 'C:\Apps')"
  install_package "$DRAVO_MSI" 'INSTALLDIR=C:\Apps\Dravo Config\'
  expect_installed 'C:\Apps\Dravo Config' "$DRAVO_README"
  remove_package "$DRAVO_MSI"
  [ ! -e "$(unix_path 'C:\Apps\Dravo Config')" ] || fail "C:\\Apps\\Dravo Config is still there"
  [ -d "$(unix_path 'C:\Apps')" ] || fail "C:\\Apps, which was there before, is gone"
  expect_no_key "$PACKAGE_KEY"
}

case_broken_package() {
  fresh_prefix
  before=$(prefix_files)
  size=$(wc -c <"$DRAVO_MSI")
  truncated="$DRAVO_MSI_WORK/$CASE-truncated.msi"
  head -c $((size / 2)) "$DRAVO_MSI" >"$truncated"
  not_a_package="$DRAVO_MSI_WORK/$CASE-readme.msi"
  cp "$DRAVO_README" "$not_a_package"
  for package in "$truncated" "$not_a_package"; do
    if msiexec /i "$(windows_path "$package")" /qn; then
      fail "msiexec installed $package"
    fi
    [ -z "$(entries)" ] || fail "$package left an installed-programs entry"
    after=$(prefix_files)
    [ "$after" = "$before" ] || fail "$package left behind: $(echo "$after" | grep -vxF "$before")"
  done
  rm -f "$truncated" "$not_a_package"
}

case_odbc_setup() {
  if ! package_has_setup_library; then
    echo "skipped: the package holds no setup library (the build has none)"
    exit 77
  fi
  fresh_prefix
  ours="$INSTALL_DIR\\dravosparksetup.dll"
  # No driver registered: ODBCINST.INI is left alone.
  install_package "$DRAVO_MSI"
  expect_no_key "$ODBC_DRIVER_KEY"
  remove_package "$DRAVO_MSI"

  # A driver registered as its installer registers it, with a setup library
  # of its own: left as it was, through installation and removal.
  driver='C:\Program Files\Dravo\Dravo Spark ODBC Driver\dravospark.dll'
  driver_setup='C:\Program Files\Dravo\Dravo Spark ODBC Driver\dravosparksetup.dll'
  "$DRAVO_WINE" reg add "$ODBC_DRIVER_KEY" /v Driver /d "$driver" /f >/dev/null 2>&1
  "$DRAVO_WINE" reg add "$ODBC_DRIVER_KEY" /v Setup /d "$driver_setup" /f >/dev/null 2>&1
  install_package "$DRAVO_MSI"
  expect_value "$ODBC_DRIVER_KEY" Setup "$driver_setup"
  remove_package "$DRAVO_MSI"
  expect_value "$ODBC_DRIVER_KEY" Setup "$driver_setup"
  expect_value "$ODBC_DRIVER_KEY" Driver "$driver"

  # A driver without one gets ours, keeps it through an upgrade, and loses
  # it with the package.
  "$DRAVO_WINE" reg delete "$ODBC_DRIVER_KEY" /v Setup /f >/dev/null 2>&1
  install_package "$DRAVO_MSI"
  expect_value "$ODBC_DRIVER_KEY" Setup "$ours"
  install_package "$DRAVO_NEXT_MSI"
  expect_value "$ODBC_DRIVER_KEY" Setup "$ours"
  remove_package "$DRAVO_NEXT_MSI"
  expect_value "$ODBC_DRIVER_KEY" Driver "$driver"
  if reg_value "$ODBC_DRIVER_KEY" Setup >/dev/null; then
    fail "the Setup value is still there"
  fi

  # Asked for alone, the feature brings the library it names; with Program
  # removed, the library stays while the Setup value names it.
  install_package "$DRAVO_MSI" ADDLOCAL=OdbcSetup
  expect_value "$ODBC_DRIVER_KEY" Setup "$ours"
  [ -f "$(unix_path "$ours")" ] || fail "ADDLOCAL=OdbcSetup wrote Setup without the library"
  remove_package "$DRAVO_MSI"
  install_package "$DRAVO_MSI"
  install_package "$DRAVO_MSI" REMOVE=Program
  if reg_value "$ODBC_DRIVER_KEY" Setup >/dev/null; then
    [ -f "$(unix_path "$(reg_value "$ODBC_DRIVER_KEY" Setup)")" ] || fail "REMOVE=Program left Setup naming no file"
  fi
  remove_package "$DRAVO_MSI"

  # The feature can be left out. (That an upgrade leaves it out is Windows
  # Installer's MigrateFeatureStates, which Wine's lacks: the tables case
  # checks the package asks for it.)
  install_package "$DRAVO_MSI" ADDLOCAL=Program
  expect_installed "$INSTALL_DIR" "$DRAVO_README"
  if reg_value "$ODBC_DRIVER_KEY" Setup >/dev/null; then
    fail "the Setup value was written without its feature"
  fi
}

case_tables() {
  # The old product goes before anything is installed.
  validate=$(cell InstallExecuteSequence InstallValidate 3)
  remove=$(cell InstallExecuteSequence RemoveExistingProducts 3)
  initialize=$(cell InstallExecuteSequence InstallInitialize 3)
  [ "$remove" -gt "$validate" ] && [ "$remove" -lt "$initialize" ] \
    || fail "RemoveExistingProducts is at $remove, not between InstallValidate ($validate) and InstallInitialize ($initialize)"

  # Versioned files carry their version and language, and no hash; the
  # README carries a hash.
  versioned="ProgramExecutable ConsoleProgram"
  package_has_setup_library && versioned="$versioned SetupLibrary"
  for file in $versioned; do
    [ "$(cell File "$file" 5)" = "$DRAVO_VERSION" ] || fail "$file has version \"$(cell File "$file" 5)\", not $DRAVO_VERSION"
    [ "$(cell File "$file" 6)" = 1033 ] || fail "$file has language \"$(cell File "$file" 6)\", not 1033"
    if rows MsiFileHash | cut -f 1 | grep -qx "$file"; then
      fail "$file, a versioned file, has a hash"
    fi
  done
  [ -z "$(cell File Readme 5)" ] || fail "the README has a version"
  rows MsiFileHash | cut -f 1 | grep -qx Readme || fail "the README has no hash"

  # Upgrades carry the features over (1, with 256 for the minimum included);
  # newer versions are only detected (2).
  [ "$(rows Upgrade | awk -F '\t' '$7 == "OLDERVERSIONFOUND" { print $5 }')" = 257 ] || fail "the upgrade row: $(rows Upgrade)"
  [ "$(rows Upgrade | awk -F '\t' '$7 == "NEWERVERSIONFOUND" { print $5 }')" = 258 ] || fail "the detection row: $(rows Upgrade)"

  # ICE61: a row that removes products reaches no version as new as this one
  # (Windows Installer compares a.b.c only: a.b.c.d below the maximum would
  # let an older build replace a newer one of the same a.b.c), and every
  # property the search sets is public and secure.
  product_version=$(cell Property ProductVersion 2)
  secure=";$(cell Property SecureCustomProperties 2);"
  # (Tabs are blanks to read, which would join empty columns: awk splits.)
  rows Upgrade | awk -F '\t' '{ print $5 " " $7 " " ($3 == "" ? "-" : $3) }' | while read -r attributes property maximum; do
    [ "$maximum" != - ] || maximum=
    if [ $((attributes & 2)) -eq 0 ]; then
      [ -n "$maximum" ] || fail "the row of $property removes every newer version"
      [ "$(printf '%s\n%s\n' "$maximum" "$product_version" | sort -V | head -n 1)" = "$maximum" ] \
        || fail "the row of $property removes $maximum, above $product_version"
      [ "$maximum" != "$product_version" ] || [ $((attributes & 512)) -eq 0 ] \
        || fail "the row of $property removes this version itself"
    fi
    [ "$property" = "$(printf '%s' "$property" | tr a-z A-Z)" ] || fail "$property is not a public property"
    case $secure in *";$property;"*) ;; *) fail "$property is not in SecureCustomProperties" ;; esac
  done
  # What the user interface's sequence hands on to the installation's.
  for property in INSTALLDIR COMMANDLINEINSTALLDIR COMMANDLINEREAD INSTALLPARENTFOUND; do
    case $secure in *";$property;"*) ;; *) fail "$property is not in SecureCustomProperties" ;; esac
  done

  # ICE03, for the names: every file, folder and shortcut has a short name
  # (8.3, of the characters short names may hold) before any long one.
  short='[A-Za-z0-9_^$~!#%&@{}()`-]'
  for table_column in File:3 Directory:3 Shortcut:3; do
    table=${table_column%:*}
    rows "$table" | cut -f "${table_column#*:}" | while read -r name; do
      case $name in .|SourceDir|.:*) continue ;; esac
      printf '%s' "${name%%|*}" | grep -Eqx "$short{1,8}(\.$short{1,3})?" \
        || fail "the $table table's name $name has no short name"
    done
  done

  # ICE03, for the data: every column of every table has its rule in
  # _Validation, nullable as the column is; no null where the rule forbids
  # one; numbers within the rule's range, values in its set.
  mkdir -p "$DRAVO_MSI_WORK"
  msiinfo tables "$DRAVO_MSI" | grep -v '^_' | while read -r table; do
    msiinfo export "$DRAVO_MSI" "$table" | tr -d '\r' >"$DRAVO_MSI_WORK/$CASE.idt" 2>/dev/null || true
    rows _Validation | awk -F '\t' -v table="$table" -v file="$DRAVO_MSI_WORK/$CASE.idt" '
      $1 == table { ruled[$2] = 1; nullable[$2] = $3; low[$2] = $4; high[$2] = $5; set[$2] = $9 }
      END {
        while ((getline line < file) > 0) {
          n++
          if (n == 1) { columns = split(line, name, "\t"); continue }
          if (n == 2) { split(line, type, "\t"); continue }
          if (n == 3) continue
          fields = split(line, value, "\t")
          for (i = 1; i <= columns; i++) {
            if (i > fields) value[i] = ""
            if (value[i] == "" && nullable[name[i]] == "N") bad = bad " " table "." name[i] " is null;"
            if (value[i] != "" && low[name[i]] != "" && (value[i] + 0 < low[name[i]] + 0 || value[i] + 0 > high[name[i]] + 0))
              bad = bad " " table "." name[i] " " value[i] " is out of range;"
            if (value[i] != "" && set[name[i]] != "" && index(";" set[name[i]] ";", ";" value[i] ";") == 0)
              bad = bad " " table "." name[i] " " value[i] " is not in its set;"
          }
        }
        for (i = 1; i <= columns; i++) {
          if (!(name[i] in ruled)) bad = bad " " table "." name[i] " has no rule;"
          else if ((substr(type[i], 1, 1) ~ /[SLIV]/) != (nullable[name[i]] == "Y")) bad = bad " " table "." name[i] " is nullable otherwise;"
        }
        if (bad != "") { print bad; exit 1 }
      }' || fail "the $table table breaks its rules in _Validation (above)"
  done
  rm -f "$DRAVO_MSI_WORK/$CASE.idt"

  # ICE18: a component whose key path is its folder makes that folder.
  rows Component | awk -F '\t' '$6 == "" { print $1 "\t" $3 }' | while read -r line; do
    rows CreateFolder | grep -qxF "$line" || fail "the component and folder $line have no CreateFolder row"
  done

  # ICE43 and ICE57: a shortcut that is not advertised is in a component whose
  # key path is a registry value of that component; in this per-machine
  # package (ALLUSERS 1) its root is HKMU (-1), the machine's, as the Start
  # menu folder is, so that no component mixes the user's data with the
  # machine's.
  [ "$(cell Property ALLUSERS 2)" = 1 ] || fail "the package is not per machine"
  rows Shortcut | cut -f 4 | sort -u | while read -r component; do
    attributes=$(cell Component "$component" 4)
    [ $((attributes & 4)) -ne 0 ] || fail "the shortcut's component $component has a file as its key path"
    key=$(cell Component "$component" 6)
    [ "$(cell Registry "$key" 2)" = -1 ] || fail "the key path of $component is not under HKMU"
    [ "$(cell Registry "$key" 6)" = "$component" ] || fail "the key path of $component belongs to another component"
    [ "$(rows File | awk -F '\t' -v c="$component" '$2 == c' | wc -l)" -eq 0 ] || fail "$component also installs files"
  done

  # A registry value that names an installed file ([#File]) is only written
  # with that file: every feature of the value's component holds the file's
  # (on Windows a file not installed is named as blank). Program cannot be
  # made absent in a user interface (16).
  rows Registry | awk -F '\t' 'match($5, /\[#[^]]+\]/) { print $6 " " substr($5, RSTART + 2, RLENGTH - 3) }' \
    | while read -r component file; do
      file_component=$(cell File "$file" 2)
      rows FeatureComponents | awk -F '\t' -v c="$component" '$2 == c { print $1 }' | while read -r feature; do
        rows FeatureComponents | grep -qxF "$(printf '%s\t%s' "$feature" "$file_component")" \
          || fail "the feature $feature writes $component, which names $file, without $file_component"
      done
    done
  [ $(($(cell Feature Program 8) & 16)) -ne 0 ] || fail "Program may be made absent"

  # The parent-folder probe runs in both sequences, before AppSearch.
  for sequence in InstallUISequence InstallExecuteSequence; do
    [ "$(cell "$sequence" ProbeInstallParent 3)" -lt "$(cell "$sequence" AppSearch 3)" ] \
      || fail "the probe runs after AppSearch in $sequence"
    cell "$sequence" ProbeInstallParentOfBareName 3 >/dev/null
  done

  # The installed-programs entry's links, and a basic user interface (progress
  # and messages) for a double-click, which needs ARPNOMODIFY beside it.
  for property in ARPHELPLINK ARPURLINFOABOUT ARPCONTACT; do
    [ -n "$(cell Property "$property" 2)" ] || fail "$property is empty"
  done
  [ "$(cell Property LIMITUI 2)" = 1 ] && [ "$(cell Property ARPNOMODIFY 2)" = 1 ] \
    || fail "no basic user interface (LIMITUI and ARPNOMODIFY)"

  # The vendor folder's component keeps the folder as its key path.
  rows CreateFolder | grep -qx "$(printf 'VendorFolder\tVendorFolder')" || fail "no CreateFolder row for the vendor folder"

  # The program's icon for the installed-programs entry and the shortcut.
  [ "$(cell Property ARPPRODUCTICON 2)" = ProductIcon ] || fail "ARPPRODUCTICON is not the product's icon"
  [ "$(cell Shortcut StartMenuShortcut 9)" = ProductIcon ] || fail "the shortcut has no icon"
  icon="$DRAVO_MSI_WORK/$CASE-icon"
  mkdir -p "$DRAVO_MSI_WORK"
  msiinfo extract "$DRAVO_MSI" Icon.ProductIcon >"$icon"
  cmp -s "$icon" "$DRAVO_ICON" || fail "the package's icon is not $DRAVO_ICON"
  rm -f "$icon"
}

# Adds one to the byte at OFFSET of FILE.
change_byte() {
  byte=$(od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' ')
  printf "\\$(printf %o $(((byte + 1) % 256)))" | dd of="$1" bs=1 seek="$2" conv=notrunc 2>/dev/null
}

# The offset of the first directory entry after the root entry in the
# package's compound file: the header gives the sector size's power of two at
# byte 30 and the directory's first sector at byte 48; the header takes one
# sector and each entry 128 bytes.
second_directory_entry() {
  sector_shift=$(od -An -tu2 -j 30 -N 2 "$1" | tr -d ' ')
  directory_sector=$(od -An -tu4 -j 48 -N 4 "$1" | tr -d ' ')
  echo $(((directory_sector + 1) * (1 << sector_shift) + 128))
}

# Whether the package holds the stream NAME (msiinfo shows the names of the
# reserved streams with their leading byte 5).
has_stream() {
  msiinfo streams "$1" | tr -d '\005' | grep -qx "$2"
}

case_signatures() {
  if [ -z "$DRAVO_SIGNING_CERTIFICATE" ]; then
    echo "skipped: the build signs nothing (no DRAVO_SIGNING_CERTIFICATE)"
    exit 77
  fi
  log="$DRAVO_MSI_WORK/$CASE.log"
  mkdir -p "$DRAVO_MSI_WORK"
  # The test certificate is its own authority.
  for file in "$DRAVO_PROGRAM" "$DRAVO_CONSOLE_PROGRAM" $DRAVO_SETUP_LIBRARY $DRAVO_OTHER_BINARIES "$DRAVO_MSI" \
      "$DRAVO_NEXT_MSI"; do
    osslsigncode verify -CAfile "$DRAVO_SIGNING_CERTIFICATE" -in "$file" >"$log" 2>&1 \
      || fail "the signature of $file does not verify: $(cat "$log")"
  done
  for package in "$DRAVO_MSI" "$DRAVO_NEXT_MSI"; do
    has_stream "$package" MsiDigitalSignatureEx || fail "$package has no MsiDigitalSignatureEx stream"
  done

  # One byte changed in the signed code and the signature fails.
  changed="$DRAVO_MSI_WORK/$CASE-changed.exe"
  cp "$DRAVO_PROGRAM" "$changed"
  change_byte "$changed" $(($(wc -c <"$changed") / 2))
  if osslsigncode verify -CAfile "$DRAVO_SIGNING_CERTIFICATE" -in "$changed" >"$log" 2>&1; then
    fail "a changed program still verifies"
  fi
  # So does a changed creation date of a stream in the package, which only
  # MsiDigitalSignatureEx covers.
  changed_package="$DRAVO_MSI_WORK/$CASE-changed.msi"
  cp "$DRAVO_MSI" "$changed_package"
  entry=$(second_directory_entry "$changed_package")
  entry_type=$(od -An -tu1 -j $((entry + 66)) -N 1 "$changed_package" | tr -d ' ')
  [ "$entry_type" = 1 ] || [ "$entry_type" = 2 ] || fail "no storage or stream after the package's root entry"
  change_byte "$changed_package" $((entry + 100))
  if osslsigncode verify -CAfile "$DRAVO_SIGNING_CERTIFICATE" -in "$changed_package" >"$log" 2>&1; then
    fail "a package with a stream's date changed still verifies"
  fi
  rm -f "$changed" "$changed_package" "$log"
}

# The release recipe's time stamp (DRAVO_SIGNING_TIMESTAMP_URL): copies of the
# program and the package signed through SignFile.cmake with a time-stamp
# server on 127.0.0.1 (openssl ts behind time_stamp_server.py) carry time
# stamps that verify with the server's authority; with no server there, the
# signing fails and leaves the file as it was. Throwaway EC keys: made at once.
case_timestamp() {
  work="$DRAVO_MSI_WORK/$CASE"
  [ -n "$DRAVO_MSI_WORK" ] || fail "no DRAVO_MSI_WORK"
  rm -rf "$work"
  mkdir -p "$work"
  cd "$work"
  ec="-newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes"
  # shellcheck disable=SC2086
  {
    openssl req -x509 $ec -days 2 -subj "/CN=Dravo Test Code Signing" -addext "keyUsage=critical,digitalSignature" \
      -addext "extendedKeyUsage=codeSigning" -keyout signing.key -out signing.pem
    openssl req -x509 $ec -days 2 -subj "/CN=Dravo Test Time Stamp Authority" \
      -addext "basicConstraints=critical,CA:true" -addext "keyUsage=critical,keyCertSign" -keyout tsa-ca.key -out tsa-ca.pem
    openssl req $ec -subj "/CN=Dravo Test Time Stamps" -keyout tsa.key -out tsa.csr
  } 2>openssl.log || fail "making the test certificates: $(cat openssl.log)"
  printf 'keyUsage=critical,digitalSignature\nextendedKeyUsage=critical,timeStamping\n' >tsa.ext
  openssl x509 -req -in tsa.csr -CA tsa-ca.pem -CAkey tsa-ca.key -days 2 -extfile tsa.ext -out tsa.pem 2>openssl.log \
    || fail "making the time-stamp certificate: $(cat openssl.log)"
  echo 01 >tsa.serial
  cat >tsa.cnf <<CONFIG
[tsa]
default_tsa = test_tsa
[test_tsa]
serial = $work/tsa.serial
signer_cert = $work/tsa.pem
certs = $work/tsa-ca.pem
signer_key = $work/tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256, sha384, sha512
ess_cert_id_alg = sha256
CONFIG
  python3 "$DRAVO_TIME_STAMP_SERVER" "$work/tsa.cnf" "$work" 2>server.log &
  server=$!
  trap 'kill "$server" 2>/dev/null || true' EXIT
  while [ ! -f port ]; do
    kill -0 "$server" 2>/dev/null || fail "the time-stamp server did not start: $(cat server.log)"
    sleep 0.1
  done
  url="http://127.0.0.1:$(cat port)/"

  sign() {
    "$DRAVO_CMAKE" -DOSSLSIGNCODE="$(command -v osslsigncode)" -DCERTIFICATE=signing.pem -DKEY=signing.key \
      -DTIMESTAMP_URL="$url" "-DDESCRIPTION=Dravo Spark ODBC Driver Configuration" -DFILE="$1" -P "$DRAVO_SIGN_SCRIPT"
  }
  cp "$DRAVO_PROGRAM" program.exe
  cp "$DRAVO_MSI" package.msi
  for file in program.exe package.msi; do
    sign "$file" >sign.log 2>&1 || fail "signing $file with a time stamp failed: $(cat sign.log server.log)"
    osslsigncode verify -CAfile signing.pem -TSA-CAfile tsa-ca.pem -in "$file" >verify.log 2>&1 \
      || fail "the signature of $file does not verify: $(cat verify.log)"
    # verify succeeds as well without a time stamp, or with one it cannot check.
    grep -q "^Timestamp Server Signature verification: ok" verify.log \
      || fail "$file has no time stamp that verifies: $(cat verify.log)"
  done
  has_stream package.msi MsiDigitalSignatureEx || fail "the package has no MsiDigitalSignatureEx stream"

  kill "$server"
  wait "$server" 2>/dev/null || true
  cp "$DRAVO_PROGRAM" unstamped.exe
  if sign unstamped.exe >sign.log 2>&1; then
    fail "signing succeeded without the time-stamp server"
  fi
  cmp -s unstamped.exe "$DRAVO_PROGRAM" || fail "a failed signing changed the file"
  [ ! -e unstamped.exe.signed ] || fail "a failed signing left unstamped.exe.signed"
  cd /
  rm -rf "$work"
}

case "$CASE" in
  template) make_template ;;
  install) case_install ;;
  upgrade) case_upgrade ;;
  removal) case_removal ;;
  broken-package) case_broken_package ;;
  odbc-setup) case_odbc_setup ;;
  tables) case_tables ;;
  signatures) case_signatures ;;
  timestamp) case_timestamp ;;
  *) fail "unknown case $CASE" ;;
esac
