#!/bin/sh
# The deb and the rpm made from the build tree by cpack, judged by Debian's
# and Red Hat's own tools. The argument names the case; the case "make"
# makes both packages and the tree cmake --install puts down, once, for the
# others.
#
# Environment (tests/packaging/linux/CMakeLists.txt): DRAVO_BUILD_DIR, DRAVO_SOURCE_DIR,
# DRAVO_PACKAGE_WORK, DRAVO_PACKAGE_NAME, DRAVO_ODBC_LIBDIR,
# DRAVO_RPM_ODBC_LIBDIR.
set -eu

CASE=$1
WORK=$DRAVO_PACKAGE_WORK
NAME=$DRAVO_PACKAGE_NAME

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# The single package of a kind that "make" left.
package() {
  set -- "$WORK"/packages/*."$1"
  [ $# -eq 1 ] && [ -f "$1" ] || fail "no single package of that kind in $WORK/packages"
  echo "$1"
}

# Files and links (not folders) below a root, as absolute paths, sorted.
installed_files() {
  (cd "$WORK/installed" && find . ! -type d | sed 's|^\.||' | LC_ALL=C sort)
}

# The same list with the setup library where the rpm keeps it.
installed_files_for_rpm() {
  installed_files | sed "s|^/usr/$DRAVO_ODBC_LIBDIR/|/usr/$DRAVO_RPM_ODBC_LIBDIR/|"
}

compare_lists() {
  # $1 what, $2 expected file, $3 actual file
  if ! diff -u "$2" "$3"; then
    fail "$1: the package's files differ from what cmake --install puts down (- install, + package)"
  fi
  echo "$1: $(wc -l <"$3") files, the same as cmake --install puts down"
}

case $CASE in
make)
  rm -rf "$WORK"
  mkdir -p "$WORK"
  # The modes of a deb's members follow cpack's umask.
  umask 022
  cpack -G "DEB;RPM" --config "$DRAVO_BUILD_DIR/CPackConfig.cmake" -B "$WORK/packages" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; fail "cpack could not make the packages"; }
  DESTDIR="$WORK/installed" cmake --install "$DRAVO_BUILD_DIR" --prefix /usr >"$WORK/install.log" ||
    { cat "$WORK/install.log"; fail "cmake --install failed"; }
  ls -l "$WORK"/packages/*.deb "$WORK"/packages/*.rpm
  ;;

lintian)
  deb=$(package deb)
  # Every tag down to warnings is a failure; informational ones are shown.
  if ! lintian --fail-on error,warning --display-info "$deb" >"$WORK/lintian.log" 2>&1; then
    cat "$WORK/lintian.log"
    fail "lintian found errors or warnings in $deb"
  fi
  if grep -E '^[EW]: ' "$WORK/lintian.log"; then
    fail "lintian found errors or warnings in $deb"
  fi
  cat "$WORK/lintian.log"
  echo "lintian: no errors, no warnings"
  ;;

rpmlint)
  rpm=$(package rpm)
  rpmlint -c "$DRAVO_SOURCE_DIR/packaging/linux/rpmlint.toml" "$rpm" >"$WORK/rpmlint.log" 2>&1 || true
  cat "$WORK/rpmlint.log"
  summary=$(grep -E '[0-9]+ packages and [0-9]+ specfiles checked; [0-9]+ errors' "$WORK/rpmlint.log") ||
    fail "rpmlint gave no summary"
  errors=$(echo "$summary" | sed -E 's/.*; ([0-9]+) errors.*/\1/')
  [ "$errors" -eq 0 ] || fail "rpmlint found $errors errors in $rpm"
  echo "rpmlint: no errors"
  ;;

deb-files)
  deb=$(package deb)
  installed_files >"$WORK/expected-deb"
  dpkg-deb --fsys-tarfile "$deb" | tar -tvf - | grep -v '^d' | sed -E 's|.* \./|/|; s| -> .*||' |
    LC_ALL=C sort >"$WORK/actual-deb"
  compare_lists deb "$WORK/expected-deb" "$WORK/actual-deb"
  # Owned by root, no build time, and no maintainer script beyond the prerm
  # that takes away a registration.
  if dpkg-deb --fsys-tarfile "$deb" | tar -tvf - | grep -v ' root/root '; then
    fail "files not owned by root"
  fi
  control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | sed 's|^\./||' | grep -v '^$' | LC_ALL=C sort | tr '\n' ' ')
  [ "$control" = "control md5sums prerm " ] || fail "control files: $control"
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  case $depends in
  *libc6*libodbcinst2* | *libodbcinst2*libc6*) ;;
  *) fail "Depends should name the libraries the binaries link (dpkg-shlibdeps) and unixODBC's" ;;
  esac
  ;;

rpm-files)
  rpm=$(package rpm)
  installed_files_for_rpm >"$WORK/expected-rpm"
  rpm -qp --qf '[%{FILEMODES:perms} %{FILENAMES}\n]' "$rpm" | grep -v '^d' | sed 's|^[^ ]* ||' |
    LC_ALL=C sort >"$WORK/actual-rpm"
  compare_lists rpm "$WORK/expected-rpm" "$WORK/actual-rpm"
  rpm -qp --requires "$rpm" | grep -qx 'unixODBC' || fail "the rpm should require unixODBC"
  ;;

rpm-root)
  # Installed into an empty root of its own: the dependencies are the
  # system's, which that root has not got.
  rpm=$(package rpm)
  root="$WORK/rpm-root"
  rm -rf "$root"
  mkdir -p "$root"
  # Its database inside the root too (Debian's rpm keeps one in ~/.rpmdb).
  db="--dbpath /var/lib/rpm"
  rpm --root "$root" $db --initdb
  rpm --root "$root" $db -i --nodeps "$rpm"
  rpm --root "$root" $db -qil "$NAME"
  rpm --root "$root" $db -V --nodeps "$NAME" || fail "the installed files differ from the package"
  installed_files_for_rpm >"$WORK/expected-root"
  (cd "$root" && find . ! -type d ! -path './var/lib/rpm/*' | sed 's|^\.||' | LC_ALL=C sort) >"$WORK/actual-root"
  compare_lists "rpm --root" "$WORK/expected-root" "$WORK/actual-root"
  # The prerm-like scriptlet would run in the root, which has no shell.
  rpm --root "$root" $db -e --noscripts "$NAME"
  left=$(cd "$root" && find . ! -type d ! -path './var/lib/rpm/*')
  [ -z "$left" ] || fail "left after removal: $left"
  echo "rpm --root: installed, verified and removed"
  ;;

removal-scripts)
  # The deb's prerm and the rpm's %preun as the packages hold them, run with
  # the installed program over an odbcinst.ini of their own: a removal takes
  # away the Setup that --register-setup added, an upgrade keeps it.
  deb=$(package deb)
  rpm=$(package rpm)
  dir=$WORK/removal
  rm -rf "$dir"
  mkdir -p "$dir/ini"
  dpkg-deb -e "$deb" "$dir/control"
  rpm -qp --qf '%{PREUN}' "$rpm" >"$dir/preun"
  PATH="$WORK/installed/usr/bin:$PATH"
  ODBCSYSINI=$dir/ini
  export PATH ODBCSYSINI
  for run in "prerm remove gone" "prerm upgrade kept" "preun 0 gone" "preun 1 kept"; do
    set -- $run
    printf '[Dravo Spark ODBC Driver]\nDriver=/opt/dravo/lib/libdravosparkodbc.so\n' >"$dir/ini/odbcinst.ini"
    dravo-spark-config --register-setup >/dev/null
    grep -q '^Setup=' "$dir/ini/odbcinst.ini" || fail "--register-setup wrote no Setup"
    if [ "$1" = prerm ]; then "$dir/control/prerm" "$2"; else sh "$dir/preun" "$2"; fi
    if grep -q '^Setup' "$dir/ini/odbcinst.ini"; then setup=kept; else setup=gone; fi
    [ "$setup" = "$3" ] || fail "$1 $2: the Setup line should be $3: $(cat "$dir/ini/odbcinst.ini")"
    echo "$1 $2: the Setup line is $setup"
  done
  ;;

*)
  fail "unknown case $CASE"
  ;;
esac
