#!/bin/sh
# The console program as cmd, a batch file and a person at a console run it,
# under Wine. The argument names the case:
#   cmd      a batch file: exit statuses in %ERRORLEVEL%, output redirected
#            to files as UTF-8 with CR LF, a password from a redirected file
#   console  a real console (Wine's, in tmux): the password typed without
#            echo, and text beyond ASCII shown as such
# Environment (tests/app/win32/CMakeLists.txt): DRAVO_WINE, DRAVO_CLI,
# DRAVO_WORK; WINEPREFIX.
set -eu
CASE=$1
export WINEDEBUG=-all
ROOT=console-program-test-$CASE
work="$DRAVO_WORK/$CASE"
rm -rf "$work"
mkdir -p "$work"

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

windows_path() {
  printf 'Z:%s' "$1" | tr / '\\'
}

# The registry root's keys go with the test, passed or not.
cleanup() {
  "$DRAVO_WINE" reg delete "HKCU\\Software\\Dravo\\Registry Roots\\$ROOT" /f >/dev/null 2>&1 || true
  [ -n "${tmux_socket:-}" ] && tmux -S "$tmux_socket" kill-server 2>/dev/null || true
}
trap cleanup EXIT
cleanup

cli=$(windows_path "$DRAVO_CLI")
out=$(windows_path "$work")

case_cmd() {
  printf '[Driver]\r\nSparkServerType=3\r\nAuthMech=3\r\nUID=Caf\303\251\r\n' >"$work/settings.ini"
  printf 's3cret\r\n' >"$work/password.txt"
  # With CR LF, as cmd reads batch files.
  sed 's/$/\r/' >"$work/run.cmd" <<BATCH
@echo off
rem Redirections first: a digit before > would be taken for a handle.
"$cli" /? > "$out\\help.txt"
> "$out\\status.txt" echo help=%ERRORLEVEL%
"$cli" --registry-root $ROOT apply "$out\\settings.ini" --password-stdin < "$out\\password.txt" > "$out\\apply.txt"
>> "$out\\status.txt" echo apply=%ERRORLEVEL%
"$cli" --registry-root $ROOT get UID --value > "$out\\uid.txt"
>> "$out\\status.txt" echo get=%ERRORLEVEL%
"$cli" --registry-root $ROOT set ThriftTransport=Carrier 2> "$out\\refused.txt"
if errorlevel 65 >> "$out\\status.txt" echo refused=65
exit /b 0
BATCH
  status=0
  "$DRAVO_WINE" cmd /c "$out\\run.cmd" </dev/null >/dev/null 2>&1 || status=$?
  [ "$status" -eq 0 ] || fail "the batch file exited with $status"
  expected=$(printf 'help=0\r\napply=0\r\nget=0\r\nrefused=65\r')
  [ "$(cat "$work/status.txt")" = "$expected" ] || fail "exit statuses: $(cat -A "$work/status.txt")"
  grep -q 'Usage: dravo-spark-config-cli' "$work/help.txt" || fail "/? is not the help: $(head -3 "$work/help.txt")"
  # UTF-8 and Windows' line ends, whatever the console's code page.
  [ "$(od -An -tx1 "$work/uid.txt" | tr -d ' \n')" = 436166c3a90d0a ] \
    || fail "get wrote $(od -An -tx1 "$work/uid.txt")"
  grep -q 'ThriftTransport' "$work/refused.txt" || fail "the refusal says: $(cat "$work/refused.txt")"

  # cmd /c hands on the program's own status, as deployment tools read it.
  status=0
  "$DRAVO_WINE" cmd /c "$cli" --registry-root $ROOT frobnicate </dev/null >/dev/null 2>&1 || status=$?
  [ "$status" -eq 64 ] || fail "an unknown command exited with $status through cmd, not 64"
}

# Waits up to a minute (a loaded machine starts Wine slowly) for FILE.
wait_for() {
  tries=0
  while [ ! -s "$1" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 600 ] || fail "no $1 after a minute; the console shows: $(tmux -S "$tmux_socket" capture-pane -p -t test)"
    sleep 0.1
  done
}

case_console() {
  if ! command -v tmux >/dev/null; then
    echo "skipped: no tmux"
    exit 77
  fi
  tmux_socket="$work/tmux"
  # Wine writes to a terminal in the locale's encoding.
  cat >"$work/run.sh" <<SCRIPT
export LC_ALL=C.UTF-8 WINEDEBUG=-all
"$DRAVO_WINE" "$DRAVO_CLI" --registry-root $ROOT set SparkServerType=3 AuthMech=3 "UID=$(printf 'Caf\303\251')" --password-stdin
echo \$? >"$work/set.status"
"$DRAVO_WINE" "$DRAVO_CLI" --registry-root $ROOT get UID --value
echo \$? >"$work/get.status"
sleep 60
SCRIPT
  tmux -S "$tmux_socket" -f /dev/null new-session -d -s test -x 120 -y 30 "sh '$work/run.sh'"
  # The prompt, then the password typed.
  tries=0
  until tmux -S "$tmux_socket" capture-pane -p -t test | grep -q 'Password:'; do
    tries=$((tries + 1))
    [ "$tries" -le 600 ] || fail "no password prompt; the console shows: $(tmux -S "$tmux_socket" capture-pane -p -t test)"
    sleep 0.1
  done
  tmux -S "$tmux_socket" send-keys -t test 's3cret' Enter
  wait_for "$work/set.status"
  wait_for "$work/get.status"
  screen=$(tmux -S "$tmux_socket" capture-pane -p -t test)
  [ "$(cat "$work/set.status")" = 0 ] || fail "set exited with $(cat "$work/set.status"): $screen"
  case $screen in
    *s3cret*) fail "the password was echoed: $screen" ;;
  esac
  printf '%s\n' "$screen" | grep -qx 'Café' || fail "the console shows no Café: $screen"
}

case "$CASE" in
  cmd) case_cmd ;;
  console) case_console ;;
  *) fail "unknown case $CASE" ;;
esac
