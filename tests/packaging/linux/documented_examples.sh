#!/bin/sh
# Runs every example of the README, the quick start and the manual pages
# with the installed programs on a fresh root of the test's own: what the
# documents tell an administrator to type must work on a new machine.
#
# $1 the source tree, $2 the installed prefix: the programs are in its bin/.
# The examples run as written, less "sudo" (a registry root of the test's
# takes the place of /etc), with /root/spark.pass a file of the test's.
# Those that open a dialog in the terminal are left out: the terminal tests
# run the dialogs.
set -eu
SOURCE=$1
INSTALLED=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/root" "$work/home" "$work/etc"
printf 'reports-password\n' >"$work/spark.pass"
PATH=$INSTALLED/bin:$PATH
HOME=$work/home
DRAVO_REGISTRY_ROOT=$work/root
ODBCSYSINI=$work/etc
# unixODBC finds the user's odbc.ini by the password database, not HOME.
ODBCINI=$work/home/.odbc.ini
export PATH HOME DRAVO_REGISTRY_ROOT ODBCSYSINI ODBCINI
unset SPARKINI XDG_CONFIG_HOME
# The examples' files (and a log without a folder) land in the root too.
cd "$work"

# The examples of a manual page: the lines between .nf and .fi of its
# EXAMPLES section, roff escapes undone.
man_examples() {
  sed -n '/^\.SH EXAMPLES/,/^\.SH /p' "$1" | sed -n '/^\.nf/,/^\.fi/p' | grep -v '^\.[nf][fi]$' |
    sed 's/\\e/\\/g; s/\\-/-/g'
}
# The examples of a Markdown file: indented lines that start a command of
# the tool, or a script piped to it, with the lines they continue onto.
markdown_examples() {
  awk '
    go { print; go = /[\\|] *$/; next }
    /^    ((sudo )?dravo-(spark-config|reg|did)( |$)|printf .*[\\|] *$)/ { sub(/^    /, ""); print; go = /[\\|] *$/ }
  ' "$1" | sed 's/^    //'
}
# One command a line: continued lines joined.
commands() {
  awk '{ line = line $0 "\n" } !/[\\|] *$/ { printf "%s", line; print "\036"; line = "" }'
}

ran=0
failed=0
run_examples() {
  # $1 the document
  document=$1
  examples=$work/examples
  case $document in
  *.1) man_examples "$document" ;;
  *) markdown_examples "$document" ;;
  esac | commands | sed 's|/root/spark\.pass|'"$work"'/spark.pass|g; s/^\( *\)sudo /\1/; s/| *sudo /| /' >"$examples"
  # Records apart, as each example may span lines.
  awk -v RS='\036\n' -v dir="$work" '
    NF { n++; f = dir "/example." n; printf "%s", $0 > f; close(f) }
    END { print n + 0 > (dir "/count") }' "$examples"
  count=$(cat "$work/count")
  i=1
  while [ "$i" -le "$count" ]; do
    file=$work/example.$i
    i=$((i + 1))
    text=$(cat "$file")
    # A dialog in the terminal: no command, no script.
    case $text in
    *--script* | *" get"* | *" set"* | *" unset"* | *" apply"* | *" check"* | *" remove"* | *" settings"* | \
      *--register-setup* | *--unregister-setup* | *--help* | *--version* | dravo-reg* | dravo-did*) ;;
    *)
      printf 'left out (a dialog in the terminal): %s\n' "$text"
      continue
      ;;
    esac
    status=0
    sh -e "$file" >"$work/output" 2>&1 </dev/null || status=$?
    ran=$((ran + 1))
    # A script that ends with OK exits with 1, as the dialog does.
    case $status:$text in
    0:* | 1:*--script*) printf 'ran (exit status %s): %s\n' "$status" "$text" ;;
    *)
      printf 'FAILED (exit status %s): %s\n' "$status" "$text" >&2
      sed 's/^/    /' "$work/output" >&2
      failed=$((failed + 1))
      ;;
    esac
  done
}

for document in "$SOURCE/README.md" "$SOURCE/docs/quick-start.md" "$SOURCE"/docs/man/*.1; do
  echo "== $document"
  # Each document on a machine of its own: one guide's examples need not
  # leave what another's expect.
  rm -rf "$work/root" "$work/home" "$work/etc"
  mkdir -p "$work/root" "$work/home" "$work/etc"
  run_examples "$document"
done

# A data source that is not there is no change, and said so plainly.
output=$(dravo-spark-config remove --dsn Nope 2>&1) || { echo "FAILED: remove --dsn Nope: $output" >&2; exit 1; }
[ "$output" = "Nothing to remove: there is no data source Nope." ] ||
  { echo "FAILED: remove --dsn Nope says: $output" >&2; exit 1; }

[ "$ran" -gt 0 ] || { echo "FAILED: no example found" >&2; exit 1; }
[ "$failed" -eq 0 ] || { echo "FAILED: $failed of $ran examples" >&2; exit 1; }
echo "$ran documented examples ran on a fresh root"
