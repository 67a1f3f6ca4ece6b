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
  cpack -G "DEB;RPM;TGZ" --config "$DRAVO_BUILD_DIR/CPackConfig.cmake" -B "$WORK/packages" >"$WORK/cpack.log" 2>&1 ||
    { cat "$WORK/cpack.log"; fail "cpack could not make the packages"; }
  DESTDIR="$WORK/installed" cmake --install "$DRAVO_BUILD_DIR" --prefix /usr >"$WORK/install.log" ||
    { cat "$WORK/install.log"; fail "cmake --install failed"; }
  ls -l "$WORK"/packages/*.deb "$WORK"/packages/*.rpm "$WORK"/packages/*.tar.gz
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
  # Of the informational tags, these say the binaries are less hardened or
  # carry more than Debian's own packages.
  if grep -E '^I: .* (hardening-[a-z-]+|binary-has-unneeded-section|spelling-error-in-binary) ' "$WORK/lintian.log"; then
    fail "lintian finds binaries that are not hardened, carry notes or misspell in $deb"
  fi
  echo "lintian: no errors, no warnings, hardened binaries"
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
  # Owned by root, no build time, and no maintainer scripts beyond the prerm
  # that takes away a registration and the postrm that purges the hives.
  if dpkg-deb --fsys-tarfile "$deb" | tar -tvf - | grep -v ' root/root '; then
    fail "files not owned by root"
  fi
  control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -tf - | sed 's|^\./||' | grep -v '^$' | LC_ALL=C sort | tr '\n' ' ')
  [ "$control" = "control md5sums postrm prerm " ] || fail "control files: $control"
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

red-hat-9)
  # The rpm and the tarball need nothing Red Hat 9 lacks: every library the
  # rpm requires and every binary needs is one Red Hat 9 has, in a version
  # it has. The deb stays on Debian's own ICU.
  rpm=$(package rpm)
  tgz=$(package tar.gz)
  dpkg-deb -f "$(package deb)" Depends | grep -q 'libicu[0-9]' || fail "the deb should depend on Debian's ICU"
  # NAME MAX: the libraries Red Hat 9 has and the newest symbol version of
  # each family; a library without versions has none.
  red_hat_9="libc.so.6 GLIBC_2.34
libm.so.6 GLIBC_2.34
libdl.so.2 GLIBC_2.34
libpthread.so.0 GLIBC_2.34
ld-linux-x86-64.so.2 GLIBC_2.34
libstdc++.so.6 GLIBCXX_3.4.29
libstdc++.so.6 CXXABI_1.3.13
libgcc_s.so.1 GCC_11.0
libcrypto.so.3 OPENSSL_3.0.0
libssl.so.3 OPENSSL_3.0.0
libexpat.so.1 -
libicuuc.so.67 -
libicui18n.so.67 -
libncursesw.so.6 NCURSESW6_6.2.20210508
libtinfo.so.6 NCURSES6_TINFO_6.2.20210508
libformw.so.6 NCURSESW6_6.2.20210508
libpanelw.so.6 NCURSESW6_6.2.20210508"
  # within LIBRARY VERSION: Red Hat 9 has LIBRARY, and VERSION ("" for
  # none) in it.
  within() {
    echo "$red_hat_9" | while read -r library max; do
      [ "$library" = "$1" ] || continue
      [ -z "$2" ] && { echo yes; break; }
      family=${max%%_[0-9]*}
      case $2 in
      "$family"_[0-9]*)
        newest=$(printf '%s\n%s\n' "${2#"$family"_}" "${max#"$family"_}" | sort -V | tail -1)
        [ "$newest" = "${max#"$family"_}" ] && echo yes
        break
        ;;
      esac
    done | grep -q yes
  }
  problems=$WORK/red-hat-9.problems
  : >"$problems"
  rpm -qp --requires "$rpm" >"$WORK/rpm-requires"
  while read -r requirement; do
    case $requirement in
    rpmlib\(* | /bin/sh | unixODBC | 'rtld(GNU_HASH)') ;;
    *'(64bit)')
      library=${requirement%%(*}
      version=${requirement#"$library"}
      version=${version#(}
      version=${version%%)*}
      within "$library" "$version" || echo "the rpm requires $requirement" >>"$problems"
      ;;
    *) echo "the rpm requires $requirement" >>"$problems" ;;
    esac
  done <"$WORK/rpm-requires"
  # Every binary of both, as the loader sees it.
  rm -rf "$WORK/portable" && mkdir -p "$WORK/portable/rpm" "$WORK/portable/tgz"
  (cd "$WORK/portable/rpm" && rpm2cpio "$rpm" | cpio -id --quiet)
  tar -xzf "$tgz" -C "$WORK/portable/tgz"
  binaries=0
  for file in $(find "$WORK/portable" -type f); do
    [ "$(head -c 4 "$file" | od -An -c | tr -d ' ')" = '177ELF' ] || continue
    binaries=$((binaries + 1))
    for library in $(readelf -dW "$file" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
      within "$library" "" || echo "${file#"$WORK"/portable/} needs $library" >>"$problems"
    done
    readelf -VW "$file" | awk '/File: / { file = $0; sub(/.*File: /, "", file); sub(/ .*/, "", file) }
      /Name: / && file != "" { name = $0; sub(/.*Name: /, "", name); sub(/ .*/, "", name); print file, name }' |
      while read -r library version; do
        within "$library" "$version" || echo "${file#"$WORK"/portable/} needs $library $version" >>"$problems"
      done
  done
  [ "$binaries" -eq 8 ] || fail "found $binaries binaries in the rpm and the tarball, not 8"
  cat "$WORK/rpm-requires"
  if [ -s "$problems" ]; then
    sort -u "$problems"
    fail "the rpm or the tarball needs what Red Hat 9 has not got"
  fi
  echo "red hat 9: the rpm's requirements and $binaries binaries need only what it has"
  ;;

completion)
  # The completion the packages hold, as bash uses it.
  completion=/usr/share/bash-completion/completions/$NAME
  dpkg-deb -c "$(package deb)" >"$WORK/deb-contents"
  grep -q " \.$completion\$" "$WORK/deb-contents" || fail "the deb has no $completion"
  rpm -qpl "$(package rpm)" | grep -qx "$completion" || fail "the rpm has no $completion"
  bash "$DRAVO_SOURCE_DIR/tests/packaging/linux/completion_test.bash" "$WORK/installed$completion"
  ;;

examples)
  # With the deb's programs, and with the tarball's, which carry their ICU.
  sh "$DRAVO_SOURCE_DIR/tests/packaging/linux/documented_examples.sh" "$DRAVO_SOURCE_DIR" "$WORK/installed/usr"
  rm -rf "$WORK/tarball" && mkdir -p "$WORK/tarball"
  tar -xzf "$(package tar.gz)" -C "$WORK/tarball"
  sh "$DRAVO_SOURCE_DIR/tests/packaging/linux/documented_examples.sh" "$DRAVO_SOURCE_DIR" "$WORK"/tarball/*
  ;;

purge)
  # dpkg itself installs, removes and purges the deb in a root of its own;
  # the maintainer scripts run outside it, told the root by DPKG_ROOT.
  deb=$(package deb)
  root=$WORK/dpkg-root
  rm -rf "$root"
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/etc/dravo/registry" "$root/ini"
  : >"$root/var/lib/dpkg/status"
  # The prerm's --unregister-setup, should this machine have the program,
  # meets an odbcinst.ini of the test's.
  ODBCSYSINI=$root/ini
  export ODBCSYSINI
  dpkg_root() { dpkg --root="$root" --force-script-chrootless --force-depends --log=/dev/null "$@"; }
  dpkg_root -i "$deb" >"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; fail "dpkg could not install $deb"; }
  printf 'Windows Registry Editor Version 5.00\r\n' >"$root/etc/dravo/registry/HKEY_LOCAL_MACHINE.reg"
  printf '[Driver]\nSparkServerType=3\n' >"$root/etc/vezuravuz.ini"
  dpkg_root -r "$NAME" >>"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; fail "dpkg could not remove $NAME"; }
  [ -f "$root/etc/dravo/registry/HKEY_LOCAL_MACHINE.reg" ] || fail "a removal without purge took the hives away"
  [ ! -e "$root/usr/bin/dravo-spark-config" ] || fail "the removal left the program"
  dpkg_root -P "$NAME" >>"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; fail "dpkg could not purge $NAME"; }
  [ ! -e "$root/etc/dravo" ] || fail "the purge left $(cd "$root" && find etc/dravo)"
  [ "$(cat "$root/etc/vezuravuz.ini")" = "$(printf '[Driver]\nSparkServerType=3')" ] ||
    fail "the purge changed the driver's configuration file"
  # Another of the vendor's folders in /etc/dravo keeps it there.
  dpkg_root -i "$deb" >>"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; fail "dpkg could not install $deb again"; }
  mkdir -p "$root/etc/dravo/registry" "$root/etc/dravo/driver"
  dpkg_root -P "$NAME" >>"$WORK/dpkg.log" 2>&1 || { cat "$WORK/dpkg.log"; fail "dpkg could not purge $NAME"; }
  [ ! -e "$root/etc/dravo/registry" ] && [ -d "$root/etc/dravo/driver" ] ||
    fail "the purge should take /etc/dravo/registry alone: $(cd "$root" && find etc/dravo)"
  echo "dpkg: a removal keeps the hives, a purge takes them and leaves /etc/vezuravuz.ini"
  ;;

*)
  fail "unknown case $CASE"
  ;;
esac
