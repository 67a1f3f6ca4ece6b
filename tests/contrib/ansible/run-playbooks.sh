#!/bin/sh
# The Ansible collection with Debian's ansible-core: built with
# ansible-galaxy, installed from the archive it builds, documented by
# ansible-doc, and run by a playbook (the driver-wide settings, a data source
# made, another removed) against an inventory of several hosts on this
# machine (ansible_connection=local, each host with its own SPARKINI, ODBCINI
# and ODBCSYSINI folders): the first run changes every host, a second run none,
# check mode reports changes and writes nothing, diff mode shows before and
# after without the password, and a value the dialog would refuse fails that
# host with the tool's message while the others complete. Then cases.yml on
# a host of its own: what an administrator gets wrong (values that are not
# what they seem, an empty password, data sources in both scopes, programs
# that are not the tool), both passwords with exact, removals, secrets, the
# info modules and the role; and a check-mode run by a user who could not
# save.
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
# One ansible-doc for every module: each shows its examples, return values
# and attributes, and none claims Windows registry targets.
modules="driver data_source driver_info data_source_info connection_test"
ansible-doc $(printf 'dravo.spark_odbc.%s ' $modules) > "$work/doc.txt" 2>&1 || fail "ansible-doc: $(cat "$work/doc.txt")"
for text in "EXAMPLES:" "RETURN VALUES:" "check_mode:" "diff_mode:"; do
  [ "$(grep -c -- "$text" "$work/doc.txt")" -eq 5 ] || fail "ansible-doc shows '$text' not once for each module"
done
! grep -qi "registry key" "$work/doc.txt" || fail "ansible-doc claims Windows registry targets"
for text in "- password" "- client_key_password" "- secret_settings" "- remove"; do
  grep -q -- "$text" "$work/doc.txt" || fail "ansible-doc shows no '$text'"
done
ansible-doc -t role dravo.spark_odbc.client > "$work/doc.txt" 2>&1 || fail "ansible-doc role: $(cat "$work/doc.txt")"
grep -q "spark_odbc_data_sources" "$work/doc.txt" || fail "the role's defaults are not documented"

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
  echo "[cases]"
  echo "delta ansible_connection=local host_dir=$work/hosts/delta"
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
# The cases, on a host with data sources in both scopes.
delta="$work/hosts/delta"
mkdir -p "$delta/registry" "$delta/odbc"
printf '[Dravo Spark ODBC Driver]\nDriver=/nonexistent/libdriver.so\n' > "$delta/odbc/odbcinst.ini"
printf '[Both]\nDriver=Dravo Spark ODBC Driver\nHost=user.example.com\n[UOnly]\nDriver=Dravo Spark ODBC Driver\nHost=old.example.com\n' \
  > "$delta/odbc/user.ini"
printf '[Both]\nDriver=Dravo Spark ODBC Driver\nHost=system.example.com\n' > "$delta/odbc/odbc.ini"
: > "$delta/client.pem"
: > "$delta/client.key"
printf '#!/bin/sh\necho hello\n' > "$delta/hello"
chmod +x "$delta/hello"
ansible-playbook -i "$work/inventory" "$here/cases.yml" -e "tool=$build/bin/dravo-spark-config" -v \
  > "$work/cases.log" 2>&1 || fail "the cases: $(cat "$work/cases.log")"
grep -q "WARNING\]: .*AuthMech=9" "$work/cases.log" || fail "the note is no warning: $(cat "$work/cases.log")"
for secret in token-not-shown key-password second-password; do
  ! grep -q "$secret" "$work/cases.log" || fail "the cases' output shows $secret"
done

# The connection test, where the tool has the command: its steps come back.
if "$build/bin/dravo-spark-config" --help 2>/dev/null | grep -q '^  test '; then
  ansible delta -i "$work/inventory" -m dravo.spark_odbc.connection_test \
    -a "{\"executable\": \"$build/bin/dravo-spark-config\", \"config_file\": \"$delta/vezuravuz.ini\",
         \"registry_root\": \"$delta/registry\", \"fail_on_error\": false,
         \"settings\": {\"Host\": \"127.0.0.1\", \"Port\": 9}}" > "$work/test.log" 2>&1 \
    || fail "connection_test: $(cat "$work/test.log")"
  grep -q '"step":' "$work/test.log" || fail "connection_test returned no steps: $(cat "$work/test.log")"
else
  echo "connection_test not run: this build's dravo-spark-config has no test command"
fi

# Check mode by a user who could not save: it says the change would fail,
# as the real run would, rather than that it would change.
if [ "$(id -u)" -eq 0 ] && command -v setpriv > /dev/null; then
  plain="$work/plain"
  mkdir -p "$plain/registry" "$work/nobody"
  printf '[Driver]\nSparkServerType=3\n' > "$plain/vezuravuz.ini"
  chmod 755 "$work" "$plain" "$plain/registry"
  chmod 644 "$plain/vezuravuz.ini"
  chown 65534 "$work/nobody"
  HOME="$work/nobody" ANSIBLE_LOCAL_TEMP="$work/nobody/tmp" ANSIBLE_REMOTE_TEMP="$work/nobody/tmp" \
    setpriv --reuid=65534 --regid=65534 --clear-groups ansible localhost -c local --check -m dravo.spark_odbc.driver \
    -a "{\"executable\": \"$build/bin/dravo-spark-config\", \"config_file\": \"$plain/vezuravuz.ini\",
         \"registry_root\": \"$plain/registry\", \"settings\": {\"UID\": \"zed\"}}" > "$work/nobody.log" 2>&1 \
    && fail "check mode without the rights to save: $(cat "$work/nobody.log")"
  grep -q "the change would fail: .*cannot be written by this user" "$work/nobody.log" \
    || fail "check mode without the rights to save: $(cat "$work/nobody.log")"
fi

echo "the collection built, installed and ran on $(echo "$hosts" | wc -w) hosts"
