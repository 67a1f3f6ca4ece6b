# shellcheck shell=sh
# Sourced by the scripts that show Windows dialogs under Wine: without a
# display the dialog manager fails with error 1400.
#
# start_xvfb: starts Xvfb on a display it picks itself, exports DISPLAY and
# sets xvfb_pid.
start_xvfb() {
  # Xvfb writes the display's number when it is ready.
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  # shellcheck disable=SC2034 # read by the scripts that source this one
  xvfb_pid=$!
  for _ in $(seq 1 30); do
    [ -s "$display_file" ] && break
    sleep 1
  done
  DISPLAY=":$(head -1 "$display_file")"
  export DISPLAY
  rm -f "$display_file"
}
