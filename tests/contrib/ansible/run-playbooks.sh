#!/bin/sh
# The Ansible collection with Debian's ansible-core: built with
# ansible-galaxy, installed from the archive it builds, documented by
# ansible-doc, and run by a playbook (the driver-wide settings, a data source
# made, another removed) against an inventory of several hosts on this
# machine (ansible_connection=local, each host with its own SPARKINI, ODBCINI
# and ODBCSYSINI folders): the first run changes every host, a second run none,
# check mode reports changes and writes nothing, diff mode shows before and
# after without the password, and a value the dialog would refuse fails that
# host with the tool's message while the others complete.
#
#   run-playbooks.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
here="$source/tests/contrib/ansible"
work=$(mktemp -d)
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
export HOME="$work" ANSIBLE_LOCAL_TEMP="$work/tmp" ANSIBLE_REMOTE_TEMP="$work/tmp" ANSIBLE_NOCOLOR=1 \
  ANSIBLE_FORCE_COLOR=0 ANSIBLE_RETRY_FILES_ENABLED=0 ANSIBLE_COLLECTIONS_PATH="$work/collections" \
  ANSIBLE_COLLECTIONS_PATHS="$work/collections" ANSIBLE_DEPRECATION_WARNINGS=0 ANSIBLE_PYTHON_INTERPRETER=auto_silent
unset SPARKINI DRAVO_REGISTRY_ROOT ODBCINI ODBCSYSINI

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

if ! command -v ansible-playbook > /dev/null; then
  echo "ansible-core is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi

# Built and installed as a user of the collection would.
ansible-galaxy collection build --output-path "$work/dist" \
  "$source/contrib/ansible/ansible_collections/dravo/spark_odbc" > "$work/build.log" || fail "collection build: $(cat "$work/build.log")"
ansible-galaxy collection install -p "$work/collections" "$work"/dist/dravo-spark_odbc-*.tar.gz > "$work/install.log" \
  || fail "collection install: $(cat "$work/install.log")"
for module in driver data_source; do
  ansible-doc "dravo.spark_odbc.$module" > "$work/doc.txt" 2>&1 || fail "ansible-doc $module: $(cat "$work/doc.txt")"
  for text in "EXAMPLES:" "RETURN VALUES:" "check_mode" "diff_mode" "- password"; do
    grep -q -- "$text" "$work/doc.txt" || fail "ansible-doc $module shows no '$text'"
  done
done

hosts="alpha beta gamma"
{
  echo "[fleet]"
  for host in $hosts; do
    mkdir -p "$work/hosts/$host/registry" "$work/hosts/$host/logs" "$work/hosts/$host/odbc"
    printf '[Dravo Spark ODBC Driver]\nDriver=/nonexistent/libdriver.so\n' > "$work/hosts/$host/odbc/odbcinst.ini"
    : > "$work/hosts/$host/odbc/odbc.ini"
    printf '[Old]\nDriver=Dravo Spark ODBC Driver\nHost=old.example.com\n' > "$work/hosts/$host/odbc/user.ini"
    echo "$host ansible_connection=local host_dir=$work/hosts/$host"
  done
  echo "[fleet:vars]"
  echo "ansible_python_interpreter=auto_silent"
} > "$work/inventory"
password="Pa55-w0rd-not-shown"

play() {
  ansible-playbook -i "$work/inventory" "$here/fleet.yml" -e "tool=$build/bin/dravo-spark-config" \
    -e "spark_password=$password" "$@" > "$work/play.log" 2>&1 || true
}

# "host : ok=1 changed=1 ... failed=0" in the recap.
recap() {
  grep -E "^$1 +:" "$work/play.log" | sed 's/  */ /g'
}

expect_recap() {
  for host in $hosts; do
    recap "$host" | grep -q "changed=$1 .*failed=0" || fail "$2: $host: $(recap "$host")
$(cat "$work/play.log")"
  done
}

checksums() {
  for host in $hosts; do
    cat "$work/hosts/$host/vezuravuz.ini" "$work/hosts/$host/odbc/user.ini" 2>/dev/null | cksum
  done
}

# Verbose, so that the tasks' arguments are shown: the password is not.
play -vvv
expect_recap 3 "the first run"
grep -q "VALUE_SPECIFIED_IN_NO_LOG_PARAMETER" "$work/play.log" || fail "the password is not marked no_log"
for host in $hosts; do
  file="$work/hosts/$host/vezuravuz.ini"
  grep -q '^AuthMech=3$' "$file" || fail "$host: AuthMech: $(cat "$file")"
  grep -q '^EncryptedPWD=_' "$file" || fail "$host: no enciphered password"
  ! grep -q "$password" "$file" || fail "$host: the password in the clear"
  grep -q '^http.header.X-Team=bi$' "$file" || fail "$host: the HTTP header"
  sources="$work/hosts/$host/odbc/user.ini"
  grep -q "^Host=spark-$host.example.com$" "$sources" || fail "$host: the data source: $(cat "$sources")"
  ! grep -q '^\[Old\]' "$sources" || fail "$host: the old data source is still there"
  ! grep -q "$password" "$sources" || fail "$host: the data source's password in the clear"
done
! grep -q "$password" "$work/play.log" || fail "the password is in the output"

before=$(checksums)
play
expect_recap 0 "the second run"
[ "$(checksums)" = "$before" ] || fail "the second run changed a file"

# Check mode and diff mode at once: changes reported, before and after
# shown, the password masked, nothing written.
play --check --diff -e team=analytics -e spark_password=another-secret
expect_recap 2 "check and diff mode"
grep -q -- '-http.header.X-Team=bi' "$work/play.log" || fail "diff mode: no before: $(cat "$work/play.log")"
grep -q -- '+http.header.X-Team=analytics' "$work/play.log" || fail "diff mode: no after"
grep -q -- '+EncryptedPWD=\*\*\*\*\*\*\*\* (changed)' "$work/play.log" || fail "diff mode: the password not masked"
! grep -q "another-secret" "$work/play.log" || fail "diff mode shows the password"
[ "$(checksums)" = "$before" ] || fail "check mode wrote"

# A mechanism the dialog would refuse on one host only.
sed -i 's/^beta .*/& mechanism=banana/' "$work/inventory"
play -e team=ops
recap beta | grep -q "failed=1" || fail "the bad value did not fail beta: $(recap beta)"
grep -q '"banana\\" is not a valid value of AuthMech' "$work/play.log" || fail "the tool's message: $(cat "$work/play.log")"
for host in alpha gamma; do
  recap "$host" | grep -q "changed=1 .*failed=0" || fail "the others: $host: $(recap "$host")"
  grep -q '^http.header.X-Team=ops$' "$work/hosts/$host/vezuravuz.ini" || fail "$host not changed"
done
grep -q '^http.header.X-Team=bi$' "$work/hosts/beta/vezuravuz.ini" || fail "beta was written"
echo "the collection built, installed and ran on $(echo "$hosts" | wc -w) hosts"
